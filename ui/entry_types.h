// What kind of file each entry is, as the desktop names it: the MIME type by the name's
// extension, else (for names the database does not know) by the entry's first bytes, with
// the type's name for the Type column and its icon from the icon theme.
#pragma once

#include "folder_tree.h"

#include <QHash>
#include <QIcon>
#include <QString>
#include <functional>
#include <string>

namespace tessel::ui {

class EntryTypes {
public:
    struct Type {
        QString name;
        QIcon icon;
    };
    // Reads up to the count of an entry's first bytes; empty when they cannot be read.
    using HeadReader = std::function<std::string(const TreeNode*, int count)>;

    EntryTypes();
    void setHeadReader(HeadReader reader) { readHead_ = std::move(reader); }
    // The entries' nodes are going: what was learnt from their bytes goes too.
    void forgetContents() { byContent_.clear(); }

    const Type& typeOf(const TreeNode* node);
    const Type& folder() const { return folder_; }

private:
    const Type& typeNamed(const QString& mimeName);

    HeadReader readHead_;
    Type folder_;
    QHash<QString, Type> byMime_;
    QHash<QString, QString> byExtension_;
    QHash<const TreeNode*, QString> byContent_;
};

} // namespace tessel::ui
