// Writes examples/sample.vp: a small package with nested folders, an empty folder, text
// and binary entries, made with the same builder the tests use.
#include "package_builder.h"

#include <cstdio>
#include <string>

namespace {

std::string Binary(int length) {
    std::string bytes;
    for (int i = 0; i < length; ++i)
        bytes.push_back(static_cast<char>((i * 37 + 11) & 0xFF));
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    const std::string out = argc > 1 ? argv[1] : "sample.vp";
    tessel::testing::PackageBuilder()
        .folder("data")
        .folder("tables")
        .file("ships.tbl", "#Ship Classes\n$Name: Aurora\n$Speed: 75\n$Name: Bastion\n$Speed: 40\n#End\n",
              1117627200)
        .file("weapons.tbl", "#Primary Weapons\n$Name: Lancet\n$Damage: 12\n#End\n", 1117713600)
        .end()
        .folder("missions")
        .file("m01-first-light.fs2", "$Mission: First Light\n$Author: Tessel sample\n#Objects\n#End\n",
              1120219200)
        .file("m02-long-night.fs2", "$Mission: Long Night\n$Author: Tessel sample\n#Objects\n#End\n",
              1120305600)
        .end()
        .folder("effects")
        .end()
        .folder("maps")
        .file("nebula.pcx", Binary(4096), 1104580800)
        .file("starfield.pcx", Binary(12000), 1104667200)
        .end()
        .end()
        .file("readme.txt", "A sample package made by Tessel's own builder.\nOpen it in Tessel to browse.\n",
              1133395200)
        .writeTo(out);
    std::printf("wrote %s\n", out.c_str());
    return 0;
}
