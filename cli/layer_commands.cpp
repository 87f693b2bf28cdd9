// diff and overlay: several packages and folders seen together, as a game reads them.
#include "change_report.h"
#include "commands.h"

#include "source_comparison.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace tessel::cli {

namespace {

struct DiffArguments {
    std::string before;
    std::string after;
    bool json = false;
    bool times = false;
};

struct OverlayArguments {
    std::vector<std::string> sources;
    bool json = false;
    bool conflicts = false;
    std::string extract;
};

// Trouble with a source is exit status 2, as diff has it: 1 says only that they differ.
int Trouble(const std::exception& error) {
    std::fflush(stdout);
    std::fprintf(stderr, "tessel-vp: %s\n", error.what());
    return kExitUsage;
}

int RunDiff(const DiffArguments& arguments) {
    try {
        const FileSource before = FileSource::Open(arguments.before, SourceFiles::Walked);
        const FileSource after = FileSource::Open(arguments.after, SourceFiles::Walked);
        const std::vector<EntryChange> changes = CompareSources(before, after, arguments.times);
        WriteChanges(changes, arguments.json);
        return changes.empty() ? kExitSuccess : kExitFailure;
    } catch (const std::exception& error) {
        return Trouble(error);
    }
}

constexpr std::size_t kOutputChunk = 1 << 16;

// The text as a JSON string, as the other commands write it: a name that is not UTF-8 shows
// its bytes as replacement characters.
std::string JsonString(const std::string& text) {
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// Most paths are printable ASCII with nothing to escape, and go as they are; the others as
// the JSON library writes them.
void AppendJsonString(std::string& out, const std::string& text) {
    const bool plain = std::all_of(text.begin(), text.end(),
                                   [](char c) { return c >= 0x20 && c < 0x7f && c != '"' && c != '\\'; });
    if (!plain) {
        out += JsonString(text);
        return;
    }
    out += '"';
    out += text;
    out += '"';
}

// The merged tree written as it is walked, a batch of paths at a time: half a million paths
// need neither a document nor a list of them all in memory.
class OverlayWriter {
public:
    OverlayWriter(const std::vector<FileSource>& sources, const OverlayArguments& arguments)
        : sources_(sources), arguments_(arguments) {
        // Each source's name is made a JSON string once, not once per path.
        for (const FileSource& source : sources)
            jsonNames_.push_back(JsonString(source.given()));
    }

    void write(const std::vector<MergedPath>& paths) {
        for (const MergedPath& path : paths) {
            if (arguments_.conflicts && path.layers.size() < 2)
                continue;
            if (arguments_.json)
                writeJson(path);
            else
                writeLine(path);
            if (out_.size() >= kOutputChunk) {
                std::fwrite(out_.data(), 1, out_.size(), stdout);
                out_.clear();
            }
        }
    }

    void finish() {
        if (arguments_.json)
            out_ += first_ ? "[]\n" : "\n]\n";
        std::fwrite(out_.data(), 1, out_.size(), stdout);
        out_.clear();
    }

private:
    // Laid out as the other commands' JSON is.
    void writeJson(const MergedPath& path) {
        const SourceFile& winner = *path.winner().file;
        out_ += first_ ? "[\n  {\n    \"path\": " : ",\n  {\n    \"path\": ";
        first_ = false;
        AppendJsonString(out_, winner.path);
        out_ += ",\n    \"source\": ";
        out_ += jsonNames_[path.winner().source];
        out_ += ",\n    \"size\": ";
        out_ += std::to_string(winner.size);
        if (path.layers.size() < 2) {
            out_ += ",\n    \"shadowed\": []\n  }";
            return;
        }
        out_ += ",\n    \"shadowed\": [";
        for (std::size_t i = 1; i < path.layers.size(); ++i) {
            out_ += i == 1 ? "\n      {\n        \"source\": " : ",\n      {\n        \"source\": ";
            out_ += jsonNames_[path.layers[i].source];
            out_ += path.layers[i].same ? ",\n        \"same\": true\n      }"
                                        : ",\n        \"same\": false\n      }";
        }
        out_ += "\n    ]\n  }";
    }

    // "PATH<TAB>SOURCE", and with the conflicts every source that holds the path.
    void writeLine(const MergedPath& path) {
        out_ += path.winner().file->path;
        out_ += '\t';
        out_ += sources_[path.winner().source].given();
        if (arguments_.conflicts) {
            for (std::size_t i = 1; i < path.layers.size(); ++i) {
                out_ += '\t';
                out_ += sources_[path.layers[i].source].given();
                out_ += path.layers[i].same ? " same" : " differs";
            }
        }
        out_ += '\n';
    }

    const std::vector<FileSource>& sources_;
    const OverlayArguments& arguments_;
    std::vector<std::string> jsonNames_;
    std::string out_;
    bool first_ = true;
};

int RunOverlay(const OverlayArguments& arguments) {
    std::vector<FileSource> sources;
    try {
        // A source that cannot be read stops the whole: a partial overlay would mislead.
        if (!arguments.extract.empty()) {
            sources = OpenSources(arguments.sources);
            ExtractMerged(arguments.extract, sources, MergeSources(sources, false));
            return kExitSuccess;
        }
        sources = OpenSources(arguments.sources, SourceFiles::Walked);
        OverlayWriter writer(sources, arguments);
        StreamMerged(sources, arguments.json || arguments.conflicts,
                     [&](const std::vector<MergedPath>& paths) { writer.write(paths); });
        writer.finish();
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "tessel-vp: %s\n", error.what());
        return kExitFailure;
    }
    return kExitSuccess;
}

} // namespace

Command AddDiffCommand(CLI::App& parent) {
    auto arguments = std::make_shared<DiffArguments>();
    CLI::App* app = parent.add_subcommand("diff", "Compare the files of two packages or folders");
    app->add_option("OLD", arguments->before, "A package or a folder")->required();
    app->add_option("NEW", arguments->after, "A package or a folder")->required();
    app->add_flag("--json", arguments->json, "Write the differences as a JSON array");
    app->add_flag("--times", arguments->times, "Also name files of the same bytes and another time (T)");
    app->footer("One line per file that differs, sorted by path: A only in NEW, D only in OLD, M other bytes "
                "(sizes first, then contents). Paths that differ only in ASCII case are the same path. "
                "Links inside folders are not followed. Exit status 0 when the two hold the same files, 1 "
                "when they differ, 2 on trouble.");
    return {app, [arguments] { return RunDiff(*arguments); }};
}

Command AddOverlayCommand(CLI::App& parent) {
    auto arguments = std::make_shared<OverlayArguments>();
    CLI::App* app = parent.add_subcommand(
        "overlay", "Show what a set of packages and folders gives a game that reads them in order");
    app->add_option("SOURCE", arguments->sources, "Packages and folders; the first given takes precedence")
        ->required();
    app->add_flag(
        "--json", arguments->json,
        "Write path, source, size and the shadowed sources (with whether their bytes are the same)");
    app->add_flag("--conflicts", arguments->conflicts,
                  "Only the paths more than one source holds, each source saying whether its bytes are the "
                  "winner's");
    app->add_option("--extract", arguments->extract,
                    "Write the merged tree, what the game would read, into the folder (made when missing)");
    app->footer("Every file path once, sorted, with the source that supplies it (\"PATH<TAB>SOURCE\"). The "
                "first SOURCE given takes precedence over the later ones; paths that differ only in ASCII "
                "case are the same path. A source that cannot be read stops the whole, exit 1.");
    return {app, [arguments] { return RunOverlay(*arguments); }};
}

} // namespace tessel::cli
