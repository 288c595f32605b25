#pragma once
// Rooted ordered tree of serializable nodes; the scene graph is one. The tree
// owns its nodes: a parent owns its first child and each node its next
// sibling. Every walk is iterative, so a degenerate tree read from a file (a
// chain millions of nodes deep) cannot exhaust the stack.
#include <cstdint>
#include <memory>

#include "hostlib/core/object.h"
#include "hostlib/hostlib_export.h"

class CArchive;
class CTree;

class VEXHOST_EXPORT CTreeNode : public CObject {
  DECLARE_SERIAL(CTreeNode)

 public:
  CTreeNode() = default;
  // Deletes the node's children and, for a node unlinked from its siblings
  // only, nothing else. A derived destructor must not walk the tree: parts
  // of it are already gone.
  ~CTreeNode() override;
  CTreeNode(const CTreeNode&) = delete;
  CTreeNode& operator=(const CTreeNode&) = delete;

  // The node's own data; links are stored by the tree. The base has none.
  void Serialize(CArchive& ar) override;

  // A new unlinked node with this node's data, for CTree::CloneNode; null
  // when the node cannot be copied. By default the data is copied through
  // the node's own Serialize into a new object of its run-time class.
  virtual CTreeNode* Copy() const;
  // The lighter copy CTree::CloneNode makes when asked to clone (a node that
  // shares what Copy would duplicate); by default the same as Copy.
  virtual CTreeNode* Clone() const;
  // Node equality for CTree::FindNode; by default a node equals itself only.
  virtual bool IsEqual(const CTreeNode& other) const { return this == &other; }

  CTreeNode* GetParent() const { return m_parent; }
  CTreeNode* GetChild() const { return m_child.get(); }
  CTreeNode* GetRight() const { return m_right.get(); }
  CTreeNode* GetLeft() const { return m_left; }
  CTreeNode* GetLastChild() const { return m_lastChild; }

  // The node's own flag word, free for derived classes; never stored.
  std::uint32_t GetTreeFlags() const { return m_treeFlags; }
  void SetTreeFlag(std::uint32_t mask, int on) {
    if (on)
      m_treeFlags |= mask;
    else
      m_treeFlags &= ~mask;
  }
  bool IsTreeFlagSet(std::uint32_t mask) const { return (m_treeFlags & mask) == mask; }

 private:
  friend class CTree;
  // Deletes a node chain (a node, its sub-tree and its next siblings) by
  // rotating children into the sibling chain, without recursion.
  static void destroyChain(std::unique_ptr<CTreeNode> chain);

  CTreeNode* m_parent = nullptr;
  std::unique_ptr<CTreeNode> m_child;  // first child
  CTreeNode* m_lastChild = nullptr;
  std::unique_ptr<CTreeNode> m_right;  // next sibling
  CTreeNode* m_left = nullptr;         // previous sibling
  std::uint32_t m_treeFlags = 0;
};

class VEXHOST_EXPORT CTree : public CObject {
  DECLARE_SERIAL(CTree)

 public:
  CTree();
  ~CTree() override;
  CTree(const CTree&) = delete;
  CTree& operator=(const CTree&) = delete;

  CTreeNode* GetRoot() const { return m_root.get(); }
  // Takes an unlinked node as the root; the nodes there were are deleted.
  void SetRoot(CTreeNode* node);

  // Appends an unlinked node, which the tree takes over, as the last child
  // of `parent` (the root when null; the node becomes the root of an empty
  // tree). `parent` must belong to this tree. Returns 0, leaving the node to
  // the caller, when the node is null or already linked.
  int AddChild(CTreeNode* parent, CTreeNode* node);
  // Moves `node` with its sub-tree, from this tree or another, to the end of
  // `newParent`'s children (the root when null). Refused (0) for a root or an
  // unlinked node, a parent outside this tree, and a parent inside the moved
  // sub-tree.
  int MoveNode(CTreeNode* node, CTreeNode* newParent);
  // Unlinks `node` and its sub-tree, which then belong to the caller, and
  // returns the node that follows the sub-tree in the traversal below `start`
  // (below the root when null), or null. A removed root empties the tree.
  CTreeNode* RemoveNode(CTreeNode* node, const CTreeNode* start = nullptr);
  // As RemoveNode, deleting the sub-tree. With the returned node a walk can
  // delete as it goes:
  //   for (n = GetFirstNode(s); n;) n = doomed(n) ? DeleteNode(n, s) : GetNextNode(s, n);
  CTreeNode* DeleteNode(CTreeNode* node, const CTreeNode* start = nullptr);
  // Deletes the children of `parent` (of the root when null), keeping it.
  void DeleteChildren(CTreeNode* parent);
  void DeleteAll();

  // Copies `node` and its sub-tree (from any tree) through each node's
  // Clone (when `clone` is non-zero) or Copy, and appends the copy to
  // `destParent`'s children (the root when null; the copy becomes the root
  // of an empty tree). A node whose copy fails is left out with its
  // sub-tree. Returns the copy of `node`, or null.
  CTreeNode* CloneNode(CTreeNode* destParent, const CTreeNode* node, int clone = 0);

  // Depth-first pre-order walk of the nodes below `start` (below the root
  // when null). The start is never visited and the walk never leaves its
  // sub-tree.
  CTreeNode* GetFirstNode(const CTreeNode* start = nullptr) const;
  CTreeNode* GetNextNode(const CTreeNode* start, const CTreeNode* node) const;

  CTreeNode* GetParent(const CTreeNode* node) const;
  // First child of `node`, of the root when null.
  CTreeNode* GetChild(const CTreeNode* node) const;
  CTreeNode* GetRight(const CTreeNode* node) const;
  // 1 for the root (or any node without a parent), 0 for null.
  unsigned int GetDepth(const CTreeNode* node) const;
  // Number of direct children of `node`, of the root when null.
  unsigned int GetChildNbr(const CTreeNode* node) const;
  // Whether `node` is one of this tree's nodes, root included. Compares
  // addresses only, so a pointer to a deleted node is safe to ask about.
  bool NodeExist(const CTreeNode* node) const;
  // First node below `start` in walk order that IsEqual `like`, or null.
  CTreeNode* FindNode(const CTreeNode& like, const CTreeNode* start = nullptr) const;

  // Archive form: the node count (archive count, 0 for an empty tree), then
  // each node in walk order from the root: the node as an object record
  // (class and the node's own Serialize), then its child count. Loading
  // replaces the whole tree only once everything was read.
  void Serialize(CArchive& ar) override;

 private:
  // Links an unlinked node as the last child of `parent`.
  static void link(CTreeNode* parent, std::unique_ptr<CTreeNode> node);
  // Unlinks a node from its parent and siblings and hands it back.
  std::unique_ptr<CTreeNode> unlink(CTreeNode* node);
  // The node after `node`'s sub-tree in the walk below `stop`.
  static CTreeNode* nextAfterSubtree(const CTreeNode* node, const CTreeNode* stop);
  const CTreeNode* stopFor(const CTreeNode* start) const { return start ? start : m_root.get(); }
  void load(CArchive& ar);

  std::unique_ptr<CTreeNode> m_root;
};
