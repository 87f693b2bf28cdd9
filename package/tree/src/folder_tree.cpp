#include "folder_tree.h"

#include <atomic>
#include <stdexcept>
#include <utility>

namespace tessel {

TreeNode* TreeNode::next() const {
    if (first_)
        return first_;
    return nextAfterSubtree();
}

TreeNode* TreeNode::nextAfterSubtree() const {
    for (const TreeNode* node = this; node; node = node->parent_) {
        if (node->next_)
            return node->next_;
    }
    return nullptr;
}

FolderTree::~FolderTree() {
    clear();
}

TreeNode* FolderTree::addRoot() {
    if (root_)
        throw std::logic_error("the folder tree already has a root");
    static std::atomic<std::uint64_t> trees{0};
    root_ = make();
    root_->setText(kRootText);
    count_ = 1;
    identity_ = ++trees;
    nextSerial_ = 0;
    root_->serial_ = nextSerial_++;
    return root_;
}

TreeNode* FolderTree::make() {
    if (released_) {
        TreeNode* node = released_;
        released_ = node->next_;
        *node = TreeNode();
        return node;
    }
    if (usedInBlock_ == kBlockNodes) {
        blocks_.emplace_back(new TreeNode[kBlockNodes]);
        usedInBlock_ = 0;
    }
    return &blocks_.back()[usedInBlock_++];
}

void FolderTree::release(TreeNode* node) {
    node->next_ = released_;
    released_ = node;
}

TreeNode* FolderTree::appendChild(TreeNode* parent, std::string_view text,
                                  std::optional<EntryRecord> record) {
    TreeNode* node = make();
    if (record) {
        node->record_ = *record;
        node->isFile_ = true;
    } else {
        node->setText(text);
    }
    node->serial_ = nextSerial_++;
    node->parent_ = parent;
    node->level_ = parent->level_ + 1;
    node->previous_ = parent->last_;
    if (parent->last_)
        parent->last_->next_ = node;
    else
        parent->first_ = node;
    parent->last_ = node;
    ++parent->childCount_;
    ++count_;
    return node;
}

void FolderTree::remove(TreeNode* node) {
    if (node == root_) {
        clear();
        return;
    }
    TreeNode* parent = node->parent_;
    if (node->previous_)
        node->previous_->next_ = node->next_;
    else
        parent->first_ = node->next_;
    if (node->next_)
        node->next_->previous_ = node->previous_;
    else
        parent->last_ = node->previous_;
    --parent->childCount_;
    node->next_ = nullptr;
    node->previous_ = nullptr;
    destroySubtree(node);
}

// Iterative, so that deep or wide trees cannot exhaust the stack.
void FolderTree::destroySubtree(TreeNode* node) {
    TreeNode* current = node;
    while (current) {
        if (current->first_) {
            current = current->first_;
            continue;
        }
        TreeNode* parent = current->parent_;
        TreeNode* following = current->next_;
        const bool wasTop = current == node;
        release(current);
        --count_;
        if (wasTop)
            return;
        parent->first_ = following;
        if (!following)
            parent->last_ = nullptr;
        current = following ? following : parent;
        if (!following)
            parent->childCount_ = 0;
    }
}

void FolderTree::clear() {
    // The nodes hold nothing of their own: their blocks go with them.
    blocks_.clear();
    usedInBlock_ = kBlockNodes;
    released_ = nullptr;
    root_ = nullptr;
    count_ = 0;
}

void FolderTree::swap(FolderTree& other) noexcept {
    std::swap(root_, other.root_);
    std::swap(count_, other.count_);
    std::swap(identity_, other.identity_);
    std::swap(nextSerial_, other.nextSerial_);
    blocks_.swap(other.blocks_);
    std::swap(usedInBlock_, other.usedInBlock_);
    std::swap(released_, other.released_);
}

const TreeNode* FolderTree::find(std::uint32_t serial) const {
    for (const TreeNode* node : Subtree(static_cast<const TreeNode*>(root_))) {
        if (node->serial() == serial)
            return node;
    }
    return nullptr;
}

void ClearFolderTree(FolderTree& tree) {
    tree.clear();
}

std::size_t SubtreeSize(const TreeNode* node) {
    std::size_t size = 0;
    for ([[maybe_unused]] const TreeNode* walk : Subtree(node))
        ++size;
    return size;
}

} // namespace tessel
