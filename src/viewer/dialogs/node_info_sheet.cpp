#include "viewer/dialogs/node_info_sheet.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <map>
#include <vector>

#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "math/point3d.h"
#include "math/point4d.h"
#include "mesh/model/base_object.h"
#include "mesh/model/channel.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face.h"
#include "mesh/model/face_list.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_list.h"
#include "mesh/model/point_lists.h"
#include "scene/scene.h"

namespace {

QString text(unsigned id) { return QString::fromStdString(LoadStringW(id)); }

QString number(float value) { return QString::asprintf("%.5f", static_cast<double>(value)); }

QTableWidget* fixedTable(QWidget* parent, int rows, int columns, const char* name) {
  auto* table = new QTableWidget(rows, columns, parent);
  table->setObjectName(name);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionMode(QAbstractItemView::NoSelection);
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  return table;
}

void setCell(QTableWidget* table, int row, int column, const QString& value) {
  auto* item = new QTableWidgetItem(value);
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  table->setItem(row, column, item);
}

// The elements of one point or face list, made as the view asks for them:
// an object of a million points opens at once.
class ArrayModel : public QAbstractTableModel {
 public:
  ArrayModel(const CPointList* points, const CFaceList* faces, QObject* parent)
      : QAbstractTableModel(parent), m_points(points), m_faces(faces) {
    if (m_points != nullptr && m_points->GetSize() > 0) {
      C4DPoint first;
      m_points->GetPt(0)->To4DPoint(first);
      m_dimension = first.GetCount();
    }
  }

  int rowCount(const QModelIndex& parent) const override {
    if (parent.isValid()) return 0;
    if (m_points != nullptr) return m_points->GetSize();
    return m_faces != nullptr ? m_faces->GetSize() : 0;
  }
  int columnCount(const QModelIndex& parent) const override {
    if (parent.isValid()) return 0;
    return m_points != nullptr ? m_dimension : 1;
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return QString::number(section);
    if (m_faces != nullptr) return text(vex3d::kStrPointIndices);
    static const char* const kAxes[] = {"X", "Y", "Z", "W"};
    return section < 4 ? QString(kAxes[section]) : QString::number(section);
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    if (role == Qt::TextAlignmentRole && m_points != nullptr) {
      return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) return {};
    if (m_points != nullptr) {
      C4DPoint point;
      m_points->GetPt(index.row())->To4DPoint(point);
      return index.column() < point.GetCount() ? number(point[index.column()]) : QString();
    }
    const CFace* face = m_faces->ElementAt(index.row());
    if (face == nullptr) return {};
    QStringList corners;
    for (std::uint32_t k = 0; k < face->GetSize(); ++k) {
      corners << QString::number(face->GetPointIndex(k));
    }
    return corners.join(' ');
  }

 private:
  const CPointList* m_points;
  const CFaceList* m_faces;
  int m_dimension = 3;
};

}  // namespace

// ---------------------------------------------------------------- transformations

CNodeInfoDlg::CNodeInfoDlg(C3DScene& scene, C3DSceneNode& node)
    : CCustomPropertyPage(text(vex3d::kStrTransformationsPage)),
      m_scene(scene),
      m_node(node),
      m_type(new QLabel(this)),
      m_counts(new QLabel(this)),
      m_matrix(fixedTable(this, 4, 4, "matrix")),
      m_relative(new QCheckBox(text(vex3d::kStrMatrixRelative), this)),
      m_box(fixedTable(this, 3, 4, "boundingBox")) {
  setObjectName("nodeTransformations");
  m_type->setObjectName("objectType");
  m_counts->setObjectName("counts");
  m_relative->setObjectName("relativeMatrix");
  QStringList numbers;
  for (int i = 0; i < 4; ++i) numbers << QString::asprintf("%d", i);
  m_matrix->setHorizontalHeaderLabels(numbers);
  m_matrix->setVerticalHeaderLabels(numbers);
  m_box->setHorizontalHeaderLabels({text(vex3d::kStrMin), text(vex3d::kStrMax),
                                    text(vex3d::kStrDimension), text(vex3d::kStrCenter)});
  m_box->setVerticalHeaderLabels({"X", "Y", "Z"});
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_type);
  layout->addWidget(m_counts);
  layout->addWidget(new QLabel(text(vex3d::kStrTransformMatrix), this));
  layout->addWidget(m_matrix);
  layout->addWidget(m_relative);
  layout->addWidget(new QLabel(text(vex3d::kStrBoundingBox), this));
  layout->addWidget(m_box);
  connect(m_relative, &QCheckBox::toggled, this, [this] { showMatrix(); });
}

void CNodeInfoDlg::OnInitDialog() {
  const C3DBaseObject* object = m_node.GetObject();
  m_type->setText(object != nullptr ? QString::fromStdString(object->GetTypeString()) : QString());
  m_counts->setText(QString::fromStdString(FormatString(vex3d::kStrPointsFaces,
                                                        object ? object->GetPointNbr() : 0,
                                                        object ? object->GetFaceNbr() : 0)));
  // Under the root, relative and world are one matrix: nothing to choose.
  const bool underRoot = m_scene.IsSceneRoot(m_scene.GetParent(&m_node));
  m_relative->setChecked(true);
  m_relative->setEnabled(!underRoot);
  showMatrix();

  const int time = m_scene.GetTickCount();
  C3DPoint low;
  C3DPoint high;
  C3DPoint center;
  if (m_node.GetBoundingBox(time, low, high, 1) != 0) {
    m_node.GetCG(time, center);
    const float lows[3] = {low.x, low.y, low.z};
    const float highs[3] = {high.x, high.y, high.z};
    const float centers[3] = {center.x, center.y, center.z};
    for (int axis = 0; axis < 3; ++axis) {
      setCell(m_box, axis, 0, number(lows[axis]));
      setCell(m_box, axis, 1, number(highs[axis]));
      setCell(m_box, axis, 2, number(highs[axis] - lows[axis]));
      setCell(m_box, axis, 3, number(centers[axis]));
    }
  }
}

C4x4Matrix CNodeInfoDlg::GetShownMatrix() const {
  const int time = m_scene.GetTickCount();
  C4x4Matrix world;
  m_node.GetNodeTM(time, world, 1);
  if (!m_relative->isChecked() || !m_relative->isEnabled()) return world;
  // The parent's part is what its ancestors' local transforms make
  // together: taken off the world matrix, the node's own part is left.
  C4x4Matrix parents;
  for (const C3DSceneNode* a = m_scene.GetParent(&m_node); a != nullptr; a = m_scene.GetParent(a)) {
    C4x4Matrix local;
    a->GetLocalTM(time, local);
    parents = local * parents;
  }
  C4x4Matrix inverse;
  if (parents.Inverse(inverse) == 0) return world;
  return inverse * world;
}

void CNodeInfoDlg::showMatrix() {
  const C4x4Matrix m = GetShownMatrix();
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column)
      setCell(m_matrix, row, column, number(m(row, column)));
  }
}

// ---------------------------------------------------------------- geometry

struct CNodeInfoChannels::Arrays {
  struct Entry {
    const CPointList* points = nullptr;
    const CFaceList* faces = nullptr;
  };
  std::vector<Entry> entries;
};

CNodeInfoChannels::CNodeInfoChannels(C3DSceneNode& node)
    : CCustomPropertyPage(text(vex3d::kStrGeometryPage)),
      m_node(node),
      m_arrays(std::make_unique<Arrays>()),
      m_choice(new QComboBox(this)),
      m_elements(new QTableView(this)) {
  setObjectName("nodeGeometry");
  m_choice->setObjectName("arrays");
  m_elements->setObjectName("elements");
  m_elements->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_elements->horizontalHeader()->setStretchLastSection(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_choice);
  layout->addWidget(m_elements, 1);
  connect(m_choice, &QComboBox::currentIndexChanged, this, &CNodeInfoChannels::showArray);
}

CNodeInfoChannels::~CNodeInfoChannels() = default;

void CNodeInfoChannels::OnInitDialog() {
  const C3DBaseObject* object = m_node.GetObject();
  if (object == nullptr) return;
  auto add = [this](const std::string& name, const CPointList* points, const CFaceList* faces) {
    m_arrays->entries.push_back({points, faces});
    m_choice->addItem(QString::fromStdString(name));
  };
  m_choice->blockSignals(true);
  if (const CPointList* points = object->GetPointList()) {
    add(FormatString(vex3d::kStrPointsArray, points->GetSize()), points, nullptr);
  }
  if (const CFaceList* faces = object->GetFaceList()) {
    add(FormatString(vex3d::kStrFacesArray, faces->GetSize()), nullptr, faces);
  }
  if (const CDependentChannels* channels = object->GetChannels()) {
    for (int i = 0; i < channels->GetSize(); ++i) {
      const CChannel* channel = channels->GetChannelByIndex(i);
      const std::string type = channel->GetTypeString();
      const int id = static_cast<int>(channel->GetChannelID());
      if (const CPointList* points = channel->GetPointList()) {
        add(FormatString(vex3d::kStrChannelPointsArray, points->GetSize(), type.c_str(), id),
            points, nullptr);
      }
      if (const CFaceList* faces = channel->GetFaceList()) {
        add(FormatString(vex3d::kStrChannelFacesArray, faces->GetSize(), type.c_str(), id), nullptr,
            faces);
      }
    }
  }
  m_choice->blockSignals(false);
  if (m_choice->count() > 0) {
    m_choice->setCurrentIndex(0);
    showArray(0);
  }
}

void CNodeInfoChannels::showArray(int index) {
  QAbstractItemModel* previous = m_elements->model();
  if (index < 0 || index >= static_cast<int>(m_arrays->entries.size())) {
    m_elements->setModel(nullptr);
  } else {
    const Arrays::Entry& entry = m_arrays->entries[std::size_t(index)];
    m_elements->setModel(new ArrayModel(entry.points, entry.faces, m_elements));
  }
  delete previous;
}

// ---------------------------------------------------------------- materials

CNodeInfoMaterials::CNodeInfoMaterials(C3DScene& scene, C3DSceneNode& node)
    : CCustomPropertyPage(text(vex3d::kStrMaterialsPage)),
      m_scene(scene),
      m_node(node),
      m_count(new QLabel(this)),
      m_list(new QTreeWidget(this)) {
  setObjectName("nodeMaterials");
  m_count->setObjectName("materialCount");
  m_list->setObjectName("materials");
  m_list->setRootIsDecorated(false);
  m_list->setHeaderLabels(
      {text(vex3d::kStrNameColumn), text(vex3d::kStrTextureColumn), text(vex3d::kStrFacesNumber)});
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_count);
  layout->addWidget(m_list, 1);
}

void CNodeInfoMaterials::OnInitDialog() {
  std::map<std::uint32_t, int> faces;
  const C3DBaseObject* object = m_node.GetObject();
  if (const C3DFaceList* list = object != nullptr ? object->GetFaceList() : nullptr) {
    for (int i = 0; i < list->GetSize(); ++i) {
      const C3DFace* face = list->ElementAt(i);
      if (face != nullptr && !face->IsFlagSet(FACE_INVALID)) ++faces[face->GetMaterialID()];
    }
  }
  int listed = 0;
  for (const auto& [id, material] : m_scene.GetMaterials().GetMap()) {
    const auto used = faces.find(id);
    if (used == faces.end() || material == nullptr) continue;
    const CMaterialMap* map = material->GetDiffuseMaps();
    auto* row = new QTreeWidgetItem(
        m_list, {QString::fromStdString(material->GetName()),
                 map != nullptr ? QString::fromStdString(map->GetFileName()) : QString(),
                 QString::number(used->second)});
    row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    ++listed;
  }
  m_count->setText(QString::fromStdString(FormatString(vex3d::kStrMaterialsUsed, listed)));
  for (int column = 0; column < 3; ++column) m_list->resizeColumnToContents(column);
}

// ---------------------------------------------------------------- sheet

CNodeInfoSheet::CNodeInfoSheet(C3DScene& scene, C3DSceneNode& node, QWidget* parent)
    : CCustomPropertySheet(QString::fromStdString(node.GetDisplayName()), parent) {
  setObjectName(vex3d::viewer::kNodeInfoSheetName);
  AddPage(new CNodeInfoDlg(scene, node));
  AddPage(new CNodeInfoChannels(node));
  AddPage(new CNodeInfoMaterials(scene, node));
  // Nothing here is edited: OK alone closes it.
  GetButton(QDialogButtonBox::Cancel)->hide();
  GetButton(QDialogButtonBox::Apply)->hide();
}
