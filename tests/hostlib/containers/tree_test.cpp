#include "hostlib/containers/tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostlib/core/archive.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A node with a payload that counts its live instances, for leak checks.
class CTreeTestNode : public CTreeNode {
  DECLARE_SERIAL(CTreeTestNode)

 public:
  static int live;
  std::string name;
  int clones = 0;  // how many times made by Clone rather than Copy

  CTreeTestNode() { ++live; }
  explicit CTreeTestNode(std::string n) : name(std::move(n)) { ++live; }
  ~CTreeTestNode() override { --live; }

  void Serialize(CArchive& ar) override {
    if (ar.IsStoring())
      ar << name;
    else
      ar >> name;
  }
  CTreeNode* Clone() const override {
    auto* c = static_cast<CTreeTestNode*>(Copy());
    if (c) c->clones = clones + 1;
    return c;
  }
  // Equal by name, for FindNode.
  bool IsEqual(const CTreeNode& other) const override {
    const auto* o = dynamic_cast<const CTreeTestNode*>(&other);
    return o != nullptr && o->name == name;
  }
};
int CTreeTestNode::live = 0;
IMPLEMENT_SERIAL(CTreeTestNode, CTreeNode, 1)

// A node that refuses to be copied.
class CTreeTestSealed : public CTreeTestNode {
  DECLARE_SERIAL(CTreeTestSealed)

 public:
  CTreeNode* Copy() const override { return nullptr; }
  CTreeNode* Clone() const override { return nullptr; }
};
IMPLEMENT_SERIAL(CTreeTestSealed, CTreeTestNode, 1)

const std::string& nameOf(const CTreeNode* n) {
  static const std::string none = "-";
  return n ? static_cast<const CTreeTestNode*>(n)->name : none;
}

std::string walk(const CTree& tree, const CTreeNode* start = nullptr) {
  std::string s;
  for (CTreeNode* n = tree.GetFirstNode(start); n; n = tree.GetNextNode(start, n))
    s += (s.empty() ? "" : " ") + nameOf(n);
  return s;
}

CTreeNode* find(const CTree& tree, const std::string& name) {
  return tree.FindNode(CTreeTestNode(name));
}

class TreeTest : public ::testing::Test {
 protected:
  // R
  //   A
  //     A1
  //       A1a
  //     A2
  //   B
  //   C
  //     C1
  void SetUp() override {
    baseline = CTreeTestNode::live;
    tree.SetRoot(new CTreeTestNode("R"));
    add(nullptr, "A");
    add("A", "A1");
    add("A1", "A1a");
    add("A", "A2");
    add(nullptr, "B");
    add(nullptr, "C");
    add("C", "C1");
  }
  void TearDown() override {
    tree.DeleteAll();
    EXPECT_EQ(CTreeTestNode::live, baseline);
  }
  CTreeNode* add(const char* parent, const char* name) {
    auto* node = new CTreeTestNode(name);
    EXPECT_EQ(tree.AddChild(parent ? (*this)[parent] : nullptr, node), 1);
    return node;
  }
  CTreeNode* operator[](const std::string& name) {
    if (name == "R") return tree.GetRoot();
    return find(tree, name);
  }

  int baseline = 0;
  CTree tree;
};

TEST_F(TreeTest, WalkIsDepthFirstPreOrderBelowTheStart) {
  EXPECT_EQ(walk(tree), "A A1 A1a A2 B C C1");       // the root is never visited
  EXPECT_EQ(walk(tree, (*this)["A"]), "A1 A1a A2");  // stays inside A
  EXPECT_EQ(walk(tree, (*this)["A1"]), "A1a");
  EXPECT_EQ(walk(tree, (*this)["B"]), "");
  EXPECT_EQ(walk(tree, tree.GetRoot()), walk(tree));
  EXPECT_EQ(tree.GetNextNode(nullptr, nullptr), nullptr);

  CTree empty;
  EXPECT_EQ(empty.GetFirstNode(), nullptr);
  EXPECT_EQ(empty.GetChildNbr(nullptr), 0u);
}

TEST_F(TreeTest, LinksDepthsAndCounts) {
  CTreeNode* a = (*this)["A"];
  EXPECT_EQ(tree.GetChild(nullptr), a);
  EXPECT_EQ(nameOf(tree.GetChild(a)), "A1");
  EXPECT_EQ(nameOf(tree.GetRight(a)), "B");
  EXPECT_EQ(tree.GetRight((*this)["C"]), nullptr);
  EXPECT_EQ(tree.GetParent(a), tree.GetRoot());
  EXPECT_EQ(tree.GetParent(tree.GetRoot()), nullptr);
  EXPECT_EQ(nameOf((*this)["C"]->GetLastChild()), "C1");
  EXPECT_EQ(nameOf((*this)["A2"]->GetLeft()), "A1");
  EXPECT_EQ(tree.GetDepth(tree.GetRoot()), 1u);
  EXPECT_EQ(tree.GetDepth((*this)["A1a"]), 4u);
  EXPECT_EQ(tree.GetDepth(nullptr), 0u);
  EXPECT_EQ(tree.GetChildNbr(nullptr), 3u);
  EXPECT_EQ(tree.GetChildNbr(a), 2u);
  EXPECT_EQ(tree.GetChildNbr((*this)["A1a"]), 0u);
}

TEST_F(TreeTest, DeleteReturnsTheNodeAfterTheDeletedSubtree) {
  EXPECT_EQ(nameOf(tree.DeleteNode((*this)["A1"])), "A2");  // a middle node with a child
  EXPECT_EQ(walk(tree), "A A2 B C C1");
  EXPECT_EQ(nameOf(tree.DeleteNode((*this)["A2"])), "B");  // a last child climbs out
  EXPECT_EQ(nameOf(tree.DeleteNode((*this)["A"])), "B");   // a first child
  EXPECT_EQ(tree.DeleteNode((*this)["C1"]), nullptr);      // the last node of the walk
  EXPECT_EQ(walk(tree), "B C");
  EXPECT_EQ(tree.GetChildNbr((*this)["C"]), 0u);
  EXPECT_EQ((*this)["C"]->GetLastChild(), nullptr);
  EXPECT_EQ(CTreeTestNode::live, baseline + 3);
  EXPECT_EQ(tree.DeleteNode(tree.GetRoot()), nullptr);
  EXPECT_EQ(tree.GetRoot(), nullptr);
  EXPECT_EQ(CTreeTestNode::live, baseline);
}

TEST_F(TreeTest, DeleteWithAStartStaysInsideIt) {
  CTreeNode* a = (*this)["A"];
  EXPECT_EQ(tree.DeleteNode((*this)["A2"], a), nullptr);  // B is outside A
  EXPECT_EQ(nameOf(tree.DeleteNode((*this)["A1a"], nullptr)), "B");
}

TEST_F(TreeTest, DeletingWhileWalking) {
  const CTreeNode* start = nullptr;
  for (CTreeNode* n = tree.GetFirstNode(start); n;)
    n = nameOf(n)[0] == 'A' || nameOf(n) == "C1" ? tree.DeleteNode(n, start)
                                                 : tree.GetNextNode(start, n);
  EXPECT_EQ(walk(tree), "B C");

  for (CTreeNode* n = tree.GetFirstNode(); n;) n = tree.DeleteNode(n);
  EXPECT_EQ(walk(tree), "");
  EXPECT_NE(tree.GetRoot(), nullptr);
  EXPECT_EQ(CTreeTestNode::live, baseline + 1);
}

TEST_F(TreeTest, RemoveHandsTheSubtreeToTheCaller) {
  CTreeNode* a = (*this)["A"];
  EXPECT_EQ(nameOf(tree.RemoveNode(a)), "B");
  const std::unique_ptr<CTreeNode> removed(a);
  EXPECT_EQ(walk(tree), "B C C1");
  EXPECT_FALSE(tree.NodeExist(a));
  EXPECT_EQ(a->GetParent(), nullptr);
  EXPECT_EQ(a->GetRight(), nullptr);
  EXPECT_EQ(nameOf(a->GetChild()), "A1");  // the sub-tree goes with it
  EXPECT_EQ(tree.RemoveNode(a), nullptr);  // no longer linked: nothing happens

  CTreeNode* b = (*this)["B"];
  EXPECT_EQ(nameOf(tree.RemoveNode(b, nullptr)), "C");
  const std::unique_ptr<CTreeNode> removedLeaf(b);
  EXPECT_EQ(walk(tree), "C C1");
}

TEST_F(TreeTest, RemoveAndDeleteChildrenOfAndTheRoot) {
  tree.DeleteChildren((*this)["A"]);
  EXPECT_EQ(walk(tree), "A B C C1");
  tree.DeleteChildren(nullptr);
  EXPECT_EQ(walk(tree), "");
  CTreeNode* root = tree.GetRoot();
  EXPECT_EQ(tree.RemoveNode(root), nullptr);
  EXPECT_EQ(tree.GetRoot(), nullptr);
  delete root;
}

TEST_F(TreeTest, MoveAppendsAndRefusesCycles) {
  CTreeNode* a = (*this)["A"];
  EXPECT_EQ(tree.MoveNode(a, (*this)["C"]), 1);
  EXPECT_EQ(walk(tree), "B C C1 A A1 A1a A2");
  EXPECT_EQ(tree.GetDepth((*this)["A1a"]), 5u);

  EXPECT_EQ(tree.MoveNode(a, a), 0);
  EXPECT_EQ(tree.MoveNode(a, (*this)["A1a"]), 0);
  EXPECT_EQ(tree.MoveNode(tree.GetRoot(), (*this)["B"]), 0);
  EXPECT_EQ(tree.MoveNode(nullptr, (*this)["B"]), 0);
  EXPECT_EQ(walk(tree), "B C C1 A A1 A1a A2");

  EXPECT_EQ(tree.MoveNode((*this)["A1a"], nullptr), 1);  // to the root
  EXPECT_EQ(walk(tree), "B C C1 A A1 A2 A1a");
  EXPECT_EQ(tree.MoveNode((*this)["B"], nullptr), 1);  // to the end of its own siblings
  EXPECT_EQ(walk(tree), "C C1 A A1 A2 A1a B");
}

TEST_F(TreeTest, MoveAcrossTrees) {
  CTree other;
  other.SetRoot(new CTreeTestNode("S"));
  CTreeNode* s1 = new CTreeTestNode("S1");
  other.AddChild(nullptr, s1);
  other.AddChild(s1, new CTreeTestNode("S1a"));

  EXPECT_EQ(tree.MoveNode((*this)["A"], other.GetRoot()), 0);  // parent not in this tree
  EXPECT_EQ(tree.MoveNode(s1, (*this)["B"]), 1);
  EXPECT_EQ(walk(tree), "A A1 A1a A2 B S1 S1a C C1");
  EXPECT_EQ(walk(other), "");
  EXPECT_FALSE(other.NodeExist(s1));
  EXPECT_TRUE(tree.NodeExist(s1));
}

TEST_F(TreeTest, AddChildRules) {
  CTree fresh;
  auto* root = new CTreeTestNode("root");
  EXPECT_EQ(fresh.AddChild(nullptr, root), 1);  // an empty tree takes it as root
  EXPECT_EQ(fresh.GetRoot(), root);
  EXPECT_EQ(fresh.AddChild(nullptr, root), 0);
  EXPECT_EQ(fresh.AddChild(nullptr, nullptr), 0);
  EXPECT_EQ(tree.AddChild(nullptr, (*this)["A1"]), 0);  // already linked
  EXPECT_EQ(walk(tree), "A A1 A1a A2 B C C1");
}

TEST_F(TreeTest, NodeExistAndFind) {
  EXPECT_TRUE(tree.NodeExist(tree.GetRoot()));
  EXPECT_TRUE(tree.NodeExist((*this)["C1"]));
  EXPECT_FALSE(tree.NodeExist(nullptr));
  CTreeTestNode stranger("A");
  EXPECT_FALSE(tree.NodeExist(&stranger));
  EXPECT_EQ(tree.FindNode(stranger), (*this)["A"]);
  EXPECT_EQ(tree.FindNode(stranger, (*this)["C"]), nullptr);
  EXPECT_EQ(tree.FindNode(CTreeTestNode("R")), nullptr);  // the root is not walked
}

TEST_F(TreeTest, CloneCopiesTheSubtree) {
  CTreeNode* copy = tree.CloneNode((*this)["B"], (*this)["A"]);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, (*this)["A"]);
  EXPECT_EQ(walk(tree), "A A1 A1a A2 B A A1 A1a A2 C C1");
  EXPECT_EQ(walk(tree, copy), "A1 A1a A2");
  EXPECT_EQ(static_cast<CTreeTestNode*>(copy)->clones, 0);
  EXPECT_EQ(CTreeTestNode::live, baseline + 12);

  CTreeNode* clone = tree.CloneNode(nullptr, (*this)["C"], 1);
  EXPECT_EQ(tree.GetRoot()->GetLastChild(), clone);
  EXPECT_EQ(static_cast<CTreeTestNode*>(clone)->clones, 1);
  EXPECT_EQ(static_cast<CTreeTestNode*>(clone->GetChild())->clones, 1);
}

TEST_F(TreeTest, CloneIntoItselfCopiesTheOriginalOnly) {
  CTreeNode* copy = tree.CloneNode((*this)["A1a"], (*this)["A"]);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(walk(tree, (*this)["A"]), "A1 A1a A A1 A1a A2 A2");
}

TEST_F(TreeTest, CloneLeavesOutNodesThatCannotBeCopied) {
  auto* sealed = new CTreeTestSealed;
  sealed->name = "X";
  tree.AddChild((*this)["A"], sealed);
  tree.AddChild(sealed, new CTreeTestNode("X1"));
  tree.CloneNode(nullptr, (*this)["A"]);
  EXPECT_EQ(walk(tree), "A A1 A1a A2 X X1 B C C1 A A1 A1a A2");
  EXPECT_EQ(tree.CloneNode(nullptr, sealed), nullptr);
  EXPECT_EQ(tree.CloneNode(nullptr, nullptr), nullptr);
}

Bytes storeTree(CTree& t) {
  Bytes b;
  CArchive ar(b, CArchive::store);
  t.Serialize(ar);
  return b;
}

std::string structure(const CTree& t) {
  // Walk with depths, so that a flattened copy would not pass for equal.
  std::string s = nameOf(t.GetRoot());
  for (CTreeNode* n = t.GetFirstNode(); n; n = t.GetNextNode(nullptr, n))
    s += " " + nameOf(n) + ":" + std::to_string(t.GetDepth(n));
  return s;
}

TEST_F(TreeTest, ArchiveRoundTrip) {
  const Bytes bytes = storeTree(tree);
  CTree loaded;
  loaded.SetRoot(new CTreeTestNode("old"));
  {
    CArchive ar(bytes, CArchive::load);
    loaded.Serialize(ar);
    EXPECT_EQ(ar.Remaining(), 0u);
  }
  EXPECT_EQ(structure(loaded), structure(tree));
  EXPECT_NE(dynamic_cast<CTreeTestNode*>(loaded.GetFirstNode()), nullptr);
  EXPECT_EQ(storeTree(loaded), bytes);
  EXPECT_EQ(bytes[0], 8);  // node count first, root included
  EXPECT_EQ(bytes[1], 0);
}

TEST(Tree, EmptyTreeArchive) {
  CTree empty;
  const Bytes bytes = storeTree(empty);
  EXPECT_EQ(bytes, (Bytes{0, 0}));
  CTree loaded;
  loaded.SetRoot(new CTreeNode);
  CArchive ar(bytes, CArchive::load);
  loaded.Serialize(ar);
  EXPECT_EQ(loaded.GetRoot(), nullptr);
}

TEST_F(TreeTest, TruncatedArchiveFailsWithoutLeaksOrChanges) {
  const Bytes bytes = storeTree(tree);
  const int before = CTreeTestNode::live;
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    const Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    CTree target;
    target.SetRoot(new CTreeTestNode("kept"));
    CArchive ar(cut, CArchive::load);
    EXPECT_THROW(target.Serialize(ar), CArchiveException) << "size " << size;
    EXPECT_EQ(nameOf(target.GetRoot()), "kept");
    EXPECT_EQ(target.GetFirstNode(), nullptr);
  }
  EXPECT_EQ(CTreeTestNode::live, before);
}

// Builds a tree archive by hand: a total, then (name, child count) pairs.
Bytes forged(std::uint64_t total, const std::vector<std::uint64_t>& childCounts) {
  Bytes b;
  CArchive ar(b, CArchive::store);
  ar.WriteCount(total);
  std::vector<std::unique_ptr<CTreeTestNode>> nodes;
  for (std::uint64_t c : childCounts) {
    nodes.push_back(std::make_unique<CTreeTestNode>("n"));
    ar << nodes.back().get();
    ar.WriteCount(c);
  }
  return b;
}

CArchiveException::Cause loadCause(const Bytes& b) {
  CTree t;
  CArchive ar(b, CArchive::load);
  try {
    t.Serialize(ar);
  } catch (const CArchiveException& e) {
    return e.m_cause;
  }
  return CArchiveException::none;
}

TEST(Tree, ForgedCountsAreRejected) {
  const int before = CTreeTestNode::live;
  EXPECT_EQ(loadCause(forged(3, {2, 0, 0})), CArchiveException::none);
  EXPECT_EQ(loadCause(forged(3, {1, 1, 0})), CArchiveException::none);
  // A child count beyond the total.
  EXPECT_EQ(loadCause(forged(2, {5, 0})), CArchiveException::genericException);
  // Counts that close the tree before the total is reached.
  EXPECT_EQ(loadCause(forged(3, {1, 0, 0})), CArchiveException::genericException);
  // A total the input cannot hold.
  EXPECT_EQ(loadCause(forged(1000000, {0})), CArchiveException::endOfFile);
  // A null object where a node should be.
  Bytes nullNode;
  {
    CArchive ar(nullNode, CArchive::store);
    ar.WriteCount(1);
    ar.WriteObject(nullptr);
    ar.WriteCount(0);
  }
  EXPECT_EQ(loadCause(nullNode), CArchiveException::genericException);
  EXPECT_EQ(CTreeTestNode::live, before);
}

TEST(Tree, ObjectsOfOtherClassesAreNotNodes) {
  Bytes b;
  {
    CArchive ar(b, CArchive::store);
    ar.WriteCount(1);
    CTree notANode;
    ar << &notANode;
    ar.WriteCount(0);
  }
  EXPECT_EQ(loadCause(b), CArchiveException::badClass);
}

TEST(Tree, DeepChainsNeedNoRecursion) {
  constexpr int kDepth = 100000;
  Bytes bytes;
  {
    CTree chain;
    chain.SetRoot(new CTreeNode);
    CTreeNode* tip = chain.GetRoot();
    for (int i = 0; i < kDepth; ++i) {
      auto* n = new CTreeNode;
      chain.AddChild(tip, n);
      tip = n;
    }
    EXPECT_EQ(chain.GetDepth(tip), static_cast<unsigned int>(kDepth + 1));
    bytes = storeTree(chain);
    CTree copy;
    copy.SetRoot(new CTreeNode);
    ASSERT_NE(copy.CloneNode(nullptr, chain.GetChild(nullptr)), nullptr);
  }  // both trees deleted here
  CTree loaded;
  CArchive ar(bytes, CArchive::load);
  loaded.Serialize(ar);
  unsigned int count = 0;
  for (CTreeNode* n = loaded.GetFirstNode(); n; n = loaded.GetNextNode(nullptr, n)) ++count;
  EXPECT_EQ(count, static_cast<unsigned int>(kDepth));
}

}  // namespace
