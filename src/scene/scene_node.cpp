#include "scene/scene_node.h"

#include <atomic>

#include "hostlib/core/archive.h"
#include "hostlib/text/strings.h"
#include "mesh/model/base_object.h"

IMPLEMENT_SERIAL(C3DSceneNode, CTreeNode, VERSIONABLE_SCHEMA | 2)

namespace {

std::atomic<std::uint32_t> g_nextNodeId{0};
constexpr std::uint32_t kModifiedBit = 0x10000000;
// A tree flag of the temporary nodes built to search by object.
constexpr std::uint32_t kSearchKeyNode = 0x100;

}  // namespace

C3DSceneNode::C3DSceneNode()
    : m_id(g_nextNodeId.fetch_add(1)), m_name(LoadStringW(vex3d::kStrUnnamedObject)) {}

C3DSceneNode::C3DSceneNode(C3DBaseObject* object, int searchKey) : C3DSceneNode() {
  m_object = object;
  if (searchKey) SetTreeFlag(kSearchKeyNode, 1);
}

C3DSceneNode::~C3DSceneNode() {
  if (!IsClone() && !IsTreeFlagSet(kSearchKeyNode)) delete m_object;
}

bool C3DSceneNode::IsInvalidate(std::uint32_t property) const {
  return property == NODE_UPDATE_MODIFIED && (m_update & kModifiedBit) != 0;
}

void C3DSceneNode::Invalidate(std::uint32_t property, int on) {
  if (property == NODE_UPDATE_MODIFIED) vex3d::setFlagBits(m_update, kModifiedBit, on);
}

void C3DSceneNode::Inherit(const C3DSceneNode* from) {
  if (from == nullptr) return;
  m_scene = from->m_scene;
  m_flags = from->m_flags;
  m_name = from->m_name;
  m_extra = from->m_extra;
  m_customData = from->m_customData;
}

std::unique_ptr<C3DSceneNode> C3DSceneNode::Copy(int flags, C3DObjectCreator* creator) const {
  auto node = std::make_unique<C3DSceneNode>();
  node->Inherit(this);
  static_cast<C3DKeyframable&>(*node) = *this;
  if (m_object == nullptr) return nullptr;
  std::unique_ptr<C3DBaseObject> object = m_object->Copy(flags, creator);
  if (!object) return nullptr;
  node->m_object = object.release();
  return node;
}

CTreeNode* C3DSceneNode::Copy() const { return Copy(0, nullptr).release(); }

CTreeNode* C3DSceneNode::Clone() const {
  auto* node = new C3DSceneNode;
  node->Inherit(this);
  node->m_object = m_object;
  node->m_flags |= NODE_CLONE;
  return node;
}

bool C3DSceneNode::IsEqual(const CTreeNode& other) const {
  const auto* node = dynamic_cast<const C3DSceneNode*>(&other);
  return node != nullptr && node->m_object == m_object;
}

void C3DSceneNode::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    C3DKeyframable::Serialize(ar);
    ar << m_flags << m_update << m_name << m_extra;
    if (m_object == nullptr) {
      AfxThrowArchiveException(CArchiveException::genericException, "scene node without object");
    }
    ar.WriteClass(m_object->GetRuntimeClass());
    m_object->Serialize(ar);
    return;
  }
  C3DKeyframable::Serialize(ar);
  std::uint32_t flags = 0;
  std::uint32_t update = 0;
  std::string name;
  std::int32_t extra = 0;
  ar >> flags >> update >> name >> extra;
  const CRuntimeClass* rtc = ar.ReadClass(RUNTIME_CLASS(C3DBaseObject));
  std::unique_ptr<CObject> made(rtc != nullptr ? rtc->CreateObject() : nullptr);
  auto* object = dynamic_cast<C3DBaseObject*>(made.get());
  if (object == nullptr) {
    AfxThrowArchiveException(CArchiveException::badClass, "scene node: not an object class");
  }
  object->Serialize(ar);
  (void)made.release();
  if (!IsClone() && !IsTreeFlagSet(kSearchKeyNode)) delete m_object;
  m_object = object;
  // A loaded node owns what it loaded: the clone mark cannot survive a file.
  m_flags = flags & ~static_cast<std::uint32_t>(NODE_CLONE);
  m_update = update;
  m_name = std::move(name);
  m_extra = extra;
  m_id = g_nextNodeId.fetch_add(1);
}
