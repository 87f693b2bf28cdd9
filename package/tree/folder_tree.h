// The open package as an ordered tree: the root "Main" for the top level, folder nodes
// without a record, file nodes that own a copy of their directory record.
#pragma once

#include "vp_format.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

inline constexpr std::string_view kRootText = "Main";

class TreeNode {
public:
    // The name as stored, at most 32 bytes: a file's is its record's.
    std::string_view text() const { return record_.nameView(); }
    void setText(std::string_view name) { record_.setName(name); }

    // A file node's record; null for folder nodes and the root.
    EntryRecord* record() { return isFile_ ? &record_ : nullptr; }
    const EntryRecord* record() const { return isFile_ ? &record_ : nullptr; }
    bool isFile() const { return isFile_; }
    bool isFolder() const { return !isFile_; }
    // A file node's record, name included.
    void setRecord(const EntryRecord& record) { record_ = record; }

    TreeNode* parent() const { return parent_; }
    TreeNode* firstChild() const { return first_; }
    TreeNode* lastChild() const { return last_; }
    TreeNode* nextSibling() const { return next_; }
    TreeNode* previousSibling() const { return previous_; }
    std::size_t childCount() const { return childCount_; }
    // 0 for the root, 1 for the package's top-level entries.
    int level() const { return level_; }
    // Tells the node from every other node its tree has had, removed ones included.
    std::uint32_t serial() const { return serial_; }

    // The next node in depth-first pre-order, or null after the last one.
    TreeNode* next() const;
    // The first node after this node's subtree in pre-order, or null.
    TreeNode* nextAfterSubtree() const;

private:
    friend class FolderTree;
    TreeNode() = default;

    // A file's record; a folder keeps only its name in it. One copy of every name, and
    // nothing a record already says held twice: a package of half a million entries is
    // held in about 100 bytes each.
    EntryRecord record_;
    bool isFile_ = false;
    TreeNode* parent_ = nullptr;
    TreeNode* first_ = nullptr;
    TreeNode* last_ = nullptr;
    TreeNode* next_ = nullptr;
    TreeNode* previous_ = nullptr;
    std::uint32_t childCount_ = 0;
    std::int32_t level_ = 0;
    std::uint32_t serial_ = 0;
};

class FolderTree {
public:
    FolderTree() = default;
    FolderTree(const FolderTree&) = delete;
    FolderTree& operator=(const FolderTree&) = delete;
    ~FolderTree();

    // The first node, the root; null while the tree is empty.
    TreeNode* root() const { return root_; }
    bool empty() const { return root_ == nullptr; }
    std::size_t count() const { return count_; }
    // Tells this tree's contents from those of every other tree, and of this one before it
    // was made anew: a node is known by the tree's identity and its serial.
    std::uint64_t identity() const { return identity_; }
    // The node of that serial, or null when the tree has none (any more).
    const TreeNode* find(std::uint32_t serial) const;

    // Makes the root "Main" of an empty tree.
    TreeNode* addRoot();
    // Adds a node as the parent's last child: a folder of that name, or with a record, a
    // file (whose name is the record's).
    TreeNode* appendChild(TreeNode* parent, std::string_view text,
                          std::optional<EntryRecord> record = std::nullopt);
    // Removes a node with its whole subtree and their records.
    void remove(TreeNode* node);
    // Removes every node.
    void clear();
    void swap(FolderTree& other) noexcept;

private:
    TreeNode* make();
    void release(TreeNode* node);
    void destroySubtree(TreeNode* node);

    // Nodes are made in blocks and reused from a list of released ones: no allocation of
    // its own per node.
    static constexpr std::size_t kBlockNodes = 1024;
    std::vector<std::unique_ptr<TreeNode[]>> blocks_;
    std::size_t usedInBlock_ = kBlockNodes;
    TreeNode* released_ = nullptr;
    TreeNode* root_ = nullptr;
    std::size_t count_ = 0;
    std::uint64_t identity_ = 0;
    std::uint32_t nextSerial_ = 0;
};

// Releases every record and removes every node.
void ClearFolderTree(FolderTree& tree);

// The nodes of a node's subtree in depth-first pre-order, the node first:
//   for (const TreeNode* node : Subtree(folder)) ...
template <typename Node> class SubtreeRange {
public:
    class iterator {
    public:
        iterator(Node* node, Node* end) : node_(node), end_(end) {}
        Node* operator*() const { return node_; }
        iterator& operator++() {
            node_ = node_->next();
            if (node_ == end_)
                node_ = nullptr;
            return *this;
        }
        bool operator==(const iterator& other) const { return node_ == other.node_; }

    private:
        Node* node_;
        Node* end_;
    };

    explicit SubtreeRange(Node* top) : top_(top), end_(top ? top->nextAfterSubtree() : nullptr) {}
    iterator begin() const { return {top_, end_}; }
    iterator end() const { return {nullptr, end_}; }

private:
    Node* top_;
    Node* end_;
};

inline SubtreeRange<TreeNode> Subtree(TreeNode* node) {
    return SubtreeRange<TreeNode>(node);
}
inline SubtreeRange<const TreeNode> Subtree(const TreeNode* node) {
    return SubtreeRange<const TreeNode>(node);
}

// Number of nodes in the subtree of a node, the node included.
std::size_t SubtreeSize(const TreeNode* node);

} // namespace tessel
