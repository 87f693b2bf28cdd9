#include "entry_path.h"
#include "folder_tree.h"

#include <gtest/gtest.h>
#include <vector>

namespace tessel {
namespace {

EntryRecord File(const std::string& name) {
    return MakeDirEntry(16, 1, 1, name);
}

std::vector<std::string> PreOrder(const FolderTree& tree) {
    std::vector<std::string> texts;
    for (const TreeNode* node = tree.root(); node; node = node->next())
        texts.push_back(std::string(node->text()));
    return texts;
}

// Main → P(Q(x), R(y)), z
struct SampleTree : ::testing::Test {
    FolderTree tree;
    TreeNode *root, *p, *q, *x, *r, *y, *z;
    void SetUp() override {
        root = tree.addRoot();
        p = tree.appendChild(root, "P");
        q = tree.appendChild(p, "Q");
        x = tree.appendChild(q, "x", File("x"));
        r = tree.appendChild(p, "R");
        y = tree.appendChild(r, "y", File("y"));
        z = tree.appendChild(root, "z", File("z"));
    }
};

TEST_F(SampleTree, WalksInPreOrderWithLevels) {
    EXPECT_EQ(PreOrder(tree), (std::vector<std::string>{"Main", "P", "Q", "x", "R", "y", "z"}));
    EXPECT_EQ(tree.count(), 7u);
    EXPECT_EQ(root->level(), 0);
    EXPECT_EQ(p->level(), 1);
    EXPECT_EQ(x->level(), 3);
    EXPECT_EQ(p->nextAfterSubtree(), z);
    EXPECT_EQ(z->nextAfterSubtree(), nullptr);
    EXPECT_EQ(SubtreeSize(p), 5u);
    EXPECT_EQ(SubtreeSize(root), 7u);
}

TEST_F(SampleTree, FolderPathsNameFoldersBelowTheLowestLevel) {
    EXPECT_EQ(GetFolderPath(q, 1), "P/Q/");
    EXPECT_EQ(GetFolderPath(x, 1), "P/Q/");
    EXPECT_EQ(GetFolderPath(x, 2), "Q/");
    EXPECT_EQ(GetFolderPath(z, 1), "");
    EXPECT_EQ(GetFolderPath(root, 1), "");
    EXPECT_EQ(GetFolderPath(root, 0), "");
}

TEST_F(SampleTree, RemovingANodeTakesItsSubtreeAndKeepsSiblingsLinked) {
    tree.remove(q);
    EXPECT_EQ(PreOrder(tree), (std::vector<std::string>{"Main", "P", "R", "y", "z"}));
    EXPECT_EQ(p->childCount(), 1u);
    EXPECT_EQ(p->firstChild(), r);
    EXPECT_EQ(r->previousSibling(), nullptr);
    tree.remove(z);
    EXPECT_EQ(root->lastChild(), p);
    tree.remove(p);
    EXPECT_EQ(PreOrder(tree), (std::vector<std::string>{"Main"}));
    EXPECT_EQ(tree.count(), 1u);
    EXPECT_EQ(root->firstChild(), nullptr);
    ClearFolderTree(tree);
    EXPECT_TRUE(tree.empty());
    EXPECT_EQ(tree.count(), 0u);
}

TEST(FolderTree, DeepAndWideTreesAreFreedWithoutRecursion) {
    FolderTree tree;
    TreeNode* node = tree.addRoot();
    for (int i = 0; i < 200000; ++i)
        node = tree.appendChild(node, "d");
    for (int i = 0; i < 200000; ++i)
        tree.appendChild(tree.root(), "f", File("f"));
    EXPECT_EQ(tree.count(), 400001u);
    tree.clear();
    EXPECT_EQ(tree.count(), 0u);
}

} // namespace
} // namespace tessel
