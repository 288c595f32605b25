#include "hostlib/containers/tree.h"

#include <cassert>
#include <vector>

#include "hostlib/core/archive.h"

IMPLEMENT_SERIAL(CTreeNode, CObject, 1)
IMPLEMENT_SERIAL(CTree, CObject, 1)

namespace {

// A node record in the tree's archive is at least a two-byte class or object
// tag followed by a two-byte child count.
constexpr std::size_t kMinNodeBytes = 4;

}  // namespace

CTreeNode::~CTreeNode() {
  destroyChain(std::move(m_child));
  destroyChain(std::move(m_right));
}

void CTreeNode::destroyChain(std::unique_ptr<CTreeNode> chain) {
  std::unique_ptr<CTreeNode> cur = std::move(chain);
  while (cur) {
    if (cur->m_child) {
      // The child's siblings become cur's children and cur becomes the
      // child's sibling: one less level below, same set of nodes.
      std::unique_ptr<CTreeNode> child = std::move(cur->m_child);
      cur->m_child = std::move(child->m_right);
      child->m_right = std::move(cur);
      cur = std::move(child);
    } else {
      // Childless: its sibling is taken out before it is deleted.
      cur = std::move(cur->m_right);
    }
  }
}

void CTreeNode::Serialize(CArchive&) {}

CTreeNode* CTreeNode::Copy() const {
  const CRuntimeClass* rtc = GetRuntimeClass();
  if (!rtc->IsSerializable()) return nullptr;
  std::unique_ptr<CObject> object(rtc->CreateObject());
  auto* node = dynamic_cast<CTreeNode*>(object.get());
  if (node == nullptr) return nullptr;
  try {
    std::vector<std::uint8_t> bytes;
    {
      CArchive out(bytes, CArchive::store);
      const_cast<CTreeNode*>(this)->Serialize(out);
    }
    CArchive in(bytes, CArchive::load);
    node->Serialize(in);
  } catch (const CArchiveException&) {
    return nullptr;
  }
  object.release();
  return node;
}

CTreeNode* CTreeNode::Clone() const { return Copy(); }

CTree::CTree() = default;
CTree::~CTree() = default;

void CTree::SetRoot(CTreeNode* node) {
  if (node != nullptr && node == m_root.get()) return;
  assert(node == nullptr || (node->m_parent == nullptr && !node->m_right));
  m_root.reset(node);
}

void CTree::link(CTreeNode* parent, std::unique_ptr<CTreeNode> node) {
  CTreeNode* raw = node.get();
  raw->m_parent = parent;
  raw->m_left = parent->m_lastChild;
  if (parent->m_lastChild != nullptr)
    parent->m_lastChild->m_right = std::move(node);
  else
    parent->m_child = std::move(node);
  parent->m_lastChild = raw;
}

std::unique_ptr<CTreeNode> CTree::unlink(CTreeNode* node) {
  CTreeNode* parent = node->m_parent;
  if (parent == nullptr) {
    if (node == m_root.get()) return std::move(m_root);
    return nullptr;  // not linked anywhere: nobody to take it from
  }
  CTreeNode* left = node->m_left;
  std::unique_ptr<CTreeNode> right = std::move(node->m_right);
  std::unique_ptr<CTreeNode> owned = left ? std::move(left->m_right) : std::move(parent->m_child);
  if (right)
    right->m_left = left;
  else
    parent->m_lastChild = left;
  if (left)
    left->m_right = std::move(right);
  else
    parent->m_child = std::move(right);
  node->m_parent = nullptr;
  node->m_left = nullptr;
  return owned;
}

CTreeNode* CTree::nextAfterSubtree(const CTreeNode* node, const CTreeNode* stop) {
  for (const CTreeNode* n = node; n != nullptr && n != stop; n = n->m_parent)
    if (n->m_right) return n->m_right.get();
  return nullptr;
}

int CTree::AddChild(CTreeNode* parent, CTreeNode* node) {
  if (node == nullptr || node->m_parent != nullptr || node == m_root.get()) return 0;
  CTreeNode* p = parent ? parent : m_root.get();
  if (p == nullptr)
    m_root.reset(node);
  else
    link(p, std::unique_ptr<CTreeNode>(node));
  return 1;
}

int CTree::MoveNode(CTreeNode* node, CTreeNode* newParent) {
  if (node == nullptr || node->m_parent == nullptr) return 0;
  CTreeNode* p = newParent ? newParent : m_root.get();
  if (p == nullptr) return 0;
  const CTreeNode* top = p;
  for (const CTreeNode* a = p; a != nullptr; a = a->m_parent) {
    if (a == node) return 0;
    top = a;
  }
  if (top != m_root.get()) return 0;
  link(p, unlink(node));
  return 1;
}

CTreeNode* CTree::RemoveNode(CTreeNode* node, const CTreeNode* start) {
  if (node == nullptr) return nullptr;
  CTreeNode* next = nextAfterSubtree(node, stopFor(start));
  std::unique_ptr<CTreeNode> owned = unlink(node);
  if (!owned) return nullptr;
  owned.release();  // the caller's now
  return next;
}

CTreeNode* CTree::DeleteNode(CTreeNode* node, const CTreeNode* start) {
  if (node == nullptr) return nullptr;
  CTreeNode* next = nextAfterSubtree(node, stopFor(start));
  const std::unique_ptr<CTreeNode> doomed = unlink(node);
  return doomed ? next : nullptr;
}

void CTree::DeleteChildren(CTreeNode* parent) {
  CTreeNode* p = parent ? parent : m_root.get();
  if (p == nullptr) return;
  p->m_lastChild = nullptr;
  p->m_child.reset();
}

void CTree::DeleteAll() { m_root.reset(); }

CTreeNode* CTree::CloneNode(CTreeNode* destParent, const CTreeNode* node, int clone) {
  if (node == nullptr) return nullptr;
  auto copyOf = [clone](const CTreeNode* n) {
    return std::unique_ptr<CTreeNode>(clone ? n->Clone() : n->Copy());
  };
  std::unique_ptr<CTreeNode> top = copyOf(node);
  if (!top) return nullptr;

  // The copy is built apart and linked at the end, so copying a sub-tree
  // into itself cannot see its own copies.
  struct Frame {
    const CTreeNode* nextSource;  // next child of the source to copy
    CTreeNode* copy;              // where its copy goes
  };
  std::vector<Frame> stack;
  if (node->m_child) stack.push_back({node->m_child.get(), top.get()});
  while (!stack.empty()) {
    const CTreeNode* source = stack.back().nextSource;
    if (source == nullptr) {
      stack.pop_back();
      continue;
    }
    stack.back().nextSource = source->m_right.get();
    CTreeNode* parentCopy = stack.back().copy;
    std::unique_ptr<CTreeNode> copy = copyOf(source);
    if (!copy) continue;
    CTreeNode* raw = copy.get();
    link(parentCopy, std::move(copy));
    if (source->m_child) stack.push_back({source->m_child.get(), raw});
  }

  CTreeNode* result = top.get();
  CTreeNode* p = destParent ? destParent : m_root.get();
  if (p == nullptr)
    m_root = std::move(top);
  else
    link(p, std::move(top));
  return result;
}

CTreeNode* CTree::GetFirstNode(const CTreeNode* start) const {
  const CTreeNode* s = stopFor(start);
  return s ? s->m_child.get() : nullptr;
}

CTreeNode* CTree::GetNextNode(const CTreeNode* start, const CTreeNode* node) const {
  if (node == nullptr) return nullptr;
  if (node->m_child) return node->m_child.get();
  return nextAfterSubtree(node, stopFor(start));
}

CTreeNode* CTree::GetParent(const CTreeNode* node) const { return node ? node->m_parent : nullptr; }

CTreeNode* CTree::GetChild(const CTreeNode* node) const {
  const CTreeNode* n = node ? node : m_root.get();
  return n ? n->m_child.get() : nullptr;
}

CTreeNode* CTree::GetRight(const CTreeNode* node) const {
  return node ? node->m_right.get() : nullptr;
}

unsigned int CTree::GetDepth(const CTreeNode* node) const {
  unsigned int depth = 0;
  for (; node != nullptr; node = node->m_parent) ++depth;
  return depth;
}

unsigned int CTree::GetChildNbr(const CTreeNode* node) const {
  unsigned int count = 0;
  for (const CTreeNode* c = GetChild(node); c != nullptr; c = c->m_right.get()) ++count;
  return count;
}

bool CTree::NodeExist(const CTreeNode* node) const {
  if (node == nullptr || !m_root) return false;
  if (node == m_root.get()) return true;
  for (const CTreeNode* n = GetFirstNode(); n != nullptr; n = GetNextNode(nullptr, n))
    if (n == node) return true;
  return false;
}

CTreeNode* CTree::FindNode(const CTreeNode& like, const CTreeNode* start) const {
  for (CTreeNode* n = GetFirstNode(start); n != nullptr; n = GetNextNode(start, n))
    if (n->IsEqual(like)) return n;
  return nullptr;
}

void CTree::Serialize(CArchive& ar) {
  if (ar.IsLoading()) {
    load(ar);
    return;
  }
  std::uint64_t count = 0;
  if (m_root) {
    ++count;
    for (const CTreeNode* n = GetFirstNode(); n != nullptr; n = GetNextNode(nullptr, n)) ++count;
  }
  ar.WriteCount(count);
  if (!m_root) return;
  auto store = [this, &ar](const CTreeNode* n) {
    ar.WriteObject(n);
    ar.WriteCount(GetChildNbr(n));
  };
  store(m_root.get());
  for (const CTreeNode* n = GetFirstNode(); n != nullptr; n = GetNextNode(nullptr, n)) store(n);
}

void CTree::load(CArchive& ar) {
  const std::uint64_t total = ar.ReadCount(kMinNodeBytes);
  if (total == 0) {
    m_root.reset();
    return;
  }
  // Nodes read so far plus those the child counts read so far announce;
  // never more than the total.
  std::uint64_t announced = 1;
  auto readNode = [&ar]() {
    std::unique_ptr<CTreeNode> node(
        static_cast<CTreeNode*>(ar.ReadOwnedObject(RUNTIME_CLASS(CTreeNode))));
    if (!node) AfxThrowArchiveException(CArchiveException::genericException, "missing tree node");
    return node;
  };
  // The total was checked against the input; a child count only has to fit
  // in what the total leaves.
  auto readChildCount = [&ar, &announced, total]() {
    const std::uint64_t count = ar.ReadCount();
    if (count > total - announced)
      AfxThrowArchiveException(CArchiveException::genericException, "tree child count");
    announced += count;
    return count;
  };

  std::unique_ptr<CTreeNode> root = readNode();
  struct Frame {
    CTreeNode* parent;
    std::uint64_t left;  // children still to read
  };
  std::vector<Frame> stack;
  if (const std::uint64_t count = readChildCount()) stack.push_back({root.get(), count});
  while (!stack.empty()) {
    if (stack.back().left == 0) {
      stack.pop_back();
      continue;
    }
    --stack.back().left;
    CTreeNode* parent = stack.back().parent;
    std::unique_ptr<CTreeNode> node = readNode();
    CTreeNode* raw = node.get();
    link(parent, std::move(node));
    if (const std::uint64_t count = readChildCount()) stack.push_back({raw, count});
  }
  if (announced != total)
    AfxThrowArchiveException(CArchiveException::genericException, "tree node count");
  m_root = std::move(root);
}
