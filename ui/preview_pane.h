// The pane beside the list that shows the current row's entry: text (editable, saved into
// the package as one edit), pictures, sounds, and any entry's bytes, following the list.
#pragma once

#include "preview_views.h"
#include "window_context.h"

#include <QWidget>

class QLabel;

namespace tessel::ui {

class PreviewPane : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPane(const WindowContext& context);
    ~PreviewPane() override;

    // Shows the row's node: a file's preview, what a folder holds; null shows nothing.
    void showNode(const TreeNode* node);
    // Shows or hides the pane; false when it stays because unsaved text was kept.
    bool setShown(bool shown);
    // After a command: the package may have been edited or read anew. Text being edited
    // stays as it is; anything else is shown again as the package holds it now.
    void packageMayHaveChanged(const TreeNode* current);
    // The tree is going: the pane lets go of its nodes.
    void forget();
    // With unsaved text, asks whether to save it, drop it or stay; true when the pane may
    // leave its entry.
    bool mayLeave();
    bool modified() const;
    // Writes the text into the entry; false, with the reason shown and the text kept, when
    // it could not be.
    bool save();

    // Whether a preview is being made.
    bool loading() const { return views_->loading(); }
    TextPreview* textView() const { return views_->textView(); }
    ImagePreview* imageView() const { return views_->imageView(); }
    SoundPreview* soundView() const { return views_->soundView(); }
    HexView* bytesView() const { return views_->bytesView(); }
    QTabWidget* tabs() const { return views_->tabs(); }
    // What the Preview tab says when it shows no view of its own.
    QString message() const { return views_->message(); }

signals:
    // A preview arrived and is on screen (a long text's first screens, then the whole).
    void shown();

private:
    // The pane follows the list's current row, is asked before the list leaves its folder,
    // and looks again after every command.
    void follow();
    // Lets go of the entry shown, keeping what the views hold.
    void leave();
    // The entry shown, found again in the tree; null when it is gone.
    const TreeNode* shownEntry() const;
    // The file or folder shown; null when none is, or it went.
    const TreeNode* shownNode() const;
    // Between commands the tree stands still; after one, the node shown is looked for by its
    // tree and serial, so that a pointer to a removed node is never followed.
    void findShownNodeAgain();

    WindowContext context_;
    QLabel* title_;
    PreviewViews* views_;
    // The row the user went to and was asked about, keeping the text: not asked about again.
    const TreeNode* stayedFor_ = nullptr;
    bool staying_ = false;

    // The node shown, by its tree and serial, and the package's stamp when it was shown.
    std::uint64_t tree_ = 0;
    std::uint32_t serial_ = 0;
    const TreeNode* node_ = nullptr;
    bool showsEntry_ = false;
    FileStamp stamp_;
};

} // namespace tessel::ui
