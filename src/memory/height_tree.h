// Insertion into the search trees of memory tag regions and overflow pages: binary trees whose
// nodes keep the heights of their two subtrees and are rebalanced by re-inserting a node into
// its taller child.
#pragma once

#include <algorithm>

namespace height_tree_detail
{

// Re-insertions nest; past this depth a node is placed without rebalancing, so that an
// insertion always ends.
constexpr int MAX_REBALANCE_DEPTH = 256;

template <typename Node, typename KeyOf> Node *insert(Node *subtree, Node *node, KeyOf key, int depth)
{
    auto height = [](const Node *n) { return 1 + std::max(n->left_height, n->right_height); };
    if (!subtree) return node;
    if (key(node) < key(subtree)) {
        subtree->left = subtree->left ? insert(subtree->left, node, key, depth + 1) : node;
        subtree->left_height = height(subtree->left);
    } else if (key(subtree) < key(node)) {
        subtree->right = subtree->right ? insert(subtree->right, node, key, depth + 1) : node;
        subtree->right_height = height(subtree->right);
    } else {
        return subtree;
    }
    if (depth > MAX_REBALANCE_DEPTH) return subtree;
    // Right side first: a right child whose own right side is too tall takes the node's place,
    // and the node (with its left side) goes into it; the left side likewise.
    if (Node *c = subtree->right; c && subtree->left_height + c->left_height + 1 < c->right_height) {
        subtree->right = nullptr;
        subtree->right_height = 0;
        return insert(c, subtree, key, depth + 1);
    }
    if (Node *l = subtree->left; l && subtree->right_height + l->right_height + 1 < l->left_height) {
        subtree->left = nullptr;
        subtree->left_height = 0;
        return insert(l, subtree, key, depth + 1);
    }
    return subtree;
}

} // namespace height_tree_detail

// Node: left, right, left_height, right_height (0 for an empty side). key(node) orders the tree.
// Returns the new root of the subtree; a node whose key is already present is not inserted.
template <typename Node, typename KeyOf> Node *height_tree_insert(Node *subtree, Node *node, KeyOf key)
{
    return height_tree_detail::insert(subtree, node, key, 0);
}
