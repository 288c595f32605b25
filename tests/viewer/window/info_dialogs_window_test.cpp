// The node information sheet and the material information dialog: what
// they show of a scene built for the purpose.
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "animation/vector_key.h"
#include "hostlib/ui/color_button.h"
#include "material/material.h"
#include "material/material_map.h"
#include "mesh/model/base_object.h"
#include "mesh/model/channel.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "scene/object_kinds.h"
#include "scene/scene.h"
#include "viewer/dialogs/info_dialogs.h"
#include "viewer/dialogs/material_info.h"
#include "viewer/dialogs/node_info_sheet.h"
#include "viewer/window/window_fixture.h"

namespace vex3d::test {
namespace {

using InfoDialogsWindow = WindowTest;

// A triangle (0,0,0) (1,0,0) (0,2,0), with texture coordinates when asked.
C3DSceneNode* triangleNode(const char* name, bool withUV = false) {
  auto* object = new C3DObject;
  object->Init(3, 1, 3, withUV ? 1 : 0, withUV ? 3 : 0);
  C3DPointList& points = *object->GetPointList();
  points[0] = C3DPoint(0, 0, 0);
  points[1] = C3DPoint(1, 0, 0);
  points[2] = C3DPoint(0, 2, 0);
  object->GetFaceList()->ElementAt(0)->SetTriangle(0, 1, 2);
  auto* node = new C3DSceneNode;
  node->SetName(name);
  node->SetObject(object);
  return node;
}

// A parent moved along x holding a child moved along y.
struct TwoLevels {
  TwoLevels() {
    parent = triangleNode("parent");
    scene.AddNode(nullptr, parent);
    parent->AddKey(0, C3DTranslateKey(C3DVector(10, 0, 0)));
    child = triangleNode("child");
    scene.AddNode(parent, child);
    child->AddKey(0, C3DTranslateKey(C3DVector(0, 5, 0)));
  }
  C3DScene scene;
  C3DSceneNode* parent;
  C3DSceneNode* child;
};

QString cell(QTableWidget* table, int row, int column) {
  const QTableWidgetItem* item = table->item(row, column);
  return item != nullptr ? item->text() : QString();
}

// Answers the modal window named `name` once it shows: the dialog that
// opened it is modal too, and must be left alone.
void answerNamed(const QString& name, std::function<void(QWidget*)> answer) {
  auto* poll = new QTimer;
  auto waited = std::make_shared<QElapsedTimer>();
  waited->start();
  QObject::connect(poll, &QTimer::timeout, poll, [poll, name, answer, waited] {
    QWidget* modal = QApplication::activeModalWidget();
    const bool found = modal != nullptr && modal->objectName() == name;
    if (!found && waited->elapsed() < 5000) return;
    poll->stop();
    poll->deleteLater();
    if (found) answer(modal);
  });
  poll->start(20);
}

template <class Widget>
Widget* control(QWidget* parent, const char* name) {
  auto* found = parent->findChild<Widget*>(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

TEST_F(InfoDialogsWindow, TheMatrixIsRelativeToTheParentOrTheWorlds) {
  TwoLevels s;
  CNodeInfoSheet sheet(s.scene, *s.child, nullptr);
  EXPECT_EQ(sheet.windowTitle(), "child");
  auto* page = sheet.FindPage<CNodeInfoDlg>();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->GetTitle(), "Transformations");
  EXPECT_EQ(control<QLabel>(page, "objectType")->text().toStdString(),
            s.child->GetObject()->GetTypeString());
  EXPECT_EQ(control<QLabel>(page, "counts")->text(), "3 points / 1 faces");
  auto* matrix = control<QTableWidget>(page, "matrix");
  auto* relative = control<QCheckBox>(page, "relativeMatrix");
  EXPECT_TRUE(relative->isEnabled());
  EXPECT_TRUE(relative->isChecked());
  EXPECT_EQ(cell(matrix, 0, 3), "0.00000");
  EXPECT_EQ(cell(matrix, 1, 3), "5.00000");
  EXPECT_EQ(cell(matrix, 0, 0), "1.00000");
  EXPECT_EQ(cell(matrix, 3, 3), "1.00000");
  relative->setChecked(false);
  EXPECT_EQ(cell(matrix, 0, 3), "10.00000");
  EXPECT_EQ(cell(matrix, 1, 3), "5.00000");
  EXPECT_EQ(matrix->horizontalHeaderItem(2)->text(), "2");

  // The box in the world, from the triangle moved by both keys.
  auto* box = control<QTableWidget>(page, "boundingBox");
  EXPECT_EQ(box->horizontalHeaderItem(0)->text(), "Min");
  EXPECT_EQ(box->horizontalHeaderItem(3)->text(), "Center");
  EXPECT_EQ(box->verticalHeaderItem(1)->text(), "Y");
  EXPECT_EQ(cell(box, 0, 0), "10.00000");
  EXPECT_EQ(cell(box, 0, 1), "11.00000");
  EXPECT_EQ(cell(box, 0, 2), "1.00000");
  EXPECT_EQ(cell(box, 0, 3), "10.50000");
  EXPECT_EQ(cell(box, 1, 0), "5.00000");
  EXPECT_EQ(cell(box, 1, 1), "7.00000");
  EXPECT_EQ(cell(box, 1, 2), "2.00000");
  EXPECT_EQ(cell(box, 1, 3), "6.00000");
  EXPECT_EQ(cell(box, 2, 2), "0.00000");
}

TEST_F(InfoDialogsWindow, UnderTheRootThereIsNoParentToBeRelativeTo) {
  TwoLevels s;
  CNodeInfoSheet sheet(s.scene, *s.parent, nullptr);
  auto* page = sheet.FindPage<CNodeInfoDlg>();
  auto* relative = control<QCheckBox>(page, "relativeMatrix");
  EXPECT_FALSE(relative->isEnabled());
  EXPECT_EQ(cell(control<QTableWidget>(page, "matrix"), 0, 3), "10.00000");
  // The box covers the child too.
  EXPECT_EQ(cell(control<QTableWidget>(page, "boundingBox"), 1, 1), "7.00000");
}

TEST_F(InfoDialogsWindow, AnObjectWithoutChannelsListsItsPointsAndFaces) {
  TwoLevels s;
  CNodeInfoSheet sheet(s.scene, *s.child, nullptr);
  auto* page = sheet.FindPage<CNodeInfoChannels>();
  ASSERT_TRUE(sheet.SetActivePage(page));
  auto* arrays = control<QComboBox>(page, "arrays");
  ASSERT_EQ(arrays->count(), 2);
  EXPECT_EQ(arrays->itemText(0), "Array of 3 points");
  EXPECT_EQ(arrays->itemText(1), "Array of 1 faces");
  auto* elements = control<QTableView>(page, "elements");
  QAbstractItemModel* model = elements->model();
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(model->rowCount(), 3);
  ASSERT_EQ(model->columnCount(), 3);
  EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "X");
  EXPECT_EQ(model->index(1, 0).data().toString(), "1.00000");
  EXPECT_EQ(model->index(2, 1).data().toString(), "2.00000");
  arrays->setCurrentIndex(1);
  model = elements->model();
  ASSERT_EQ(model->rowCount(), 1);
  EXPECT_EQ(model->index(0, 0).data().toString(), "0 1 2");
}

TEST_F(InfoDialogsWindow, ChannelsAddTheirArraysWithTypeAndId) {
  C3DScene scene;
  C3DSceneNode* node = triangleNode("textured", true);
  scene.AddNode(nullptr, node);
  const CChannel* channel = node->GetObject()->GetChannels()->GetChannelByIndex(0);
  const int id = static_cast<int>(channel->GetChannelID());
  CNodeInfoSheet sheet(scene, *node, nullptr);
  auto* page = sheet.FindPage<CNodeInfoChannels>();
  ASSERT_TRUE(sheet.SetActivePage(page));
  auto* arrays = control<QComboBox>(page, "arrays");
  ASSERT_EQ(arrays->count(), 4);
  EXPECT_EQ(arrays->itemText(2),
            QString("Array of 3 points [texture coordinates, Channel %1]").arg(id));
  EXPECT_EQ(arrays->itemText(3),
            QString("Array of 1 faces [texture coordinates, Channel %1]").arg(id));
  arrays->setCurrentIndex(2);
  EXPECT_EQ(control<QTableView>(page, "elements")->model()->rowCount(), 3);
}

TEST_F(InfoDialogsWindow, TheMaterialsPageCountsTheFacesOfEachMaterial) {
  C3DScene scene;
  auto* object = new C3DObject;
  object->Init(3, 5, 3, 0, 0);
  const std::uint32_t ids[] = {1, 1, 2, 7, 1};
  for (int i = 0; i < 5; ++i) {
    object->GetFaceList()->ElementAt(i)->SetTriangle(0, 1, 2);
    object->GetFaceList()->ElementAt(i)->SetMaterialID(ids[i]);
  }
  auto* node = new C3DSceneNode;
  node->SetName("mixed");
  node->SetObject(object);
  scene.AddNode(nullptr, node);
  C3DMaterial* red = scene.GetMaterials().CreateNewMaterial(1);
  red->SetName("Red");
  red->AddMaterialMap("red.png", 0xFFFFFFFF, MAP_DIFFUSE, PROJECTION_EXPLICIT);
  scene.GetMaterials().CreateNewMaterial(2)->SetName("Blue");
  scene.GetMaterials().CreateNewMaterial(3)->SetName("Unused");
  CNodeInfoSheet sheet(scene, *node, nullptr);
  auto* page = sheet.FindPage<CNodeInfoMaterials>();
  ASSERT_TRUE(sheet.SetActivePage(page));
  // Id 7 names no material of the scene: nothing to list for it.
  EXPECT_EQ(control<QLabel>(page, "materialCount")->text(), "2 materials used by this object");
  auto* list = control<QTreeWidget>(page, "materials");
  EXPECT_EQ(list->headerItem()->text(2), "Faces number");
  ASSERT_EQ(list->topLevelItemCount(), 2);
  std::map<QString, QStringList> rows;
  for (int i = 0; i < 2; ++i) {
    const QTreeWidgetItem* row = list->topLevelItem(i);
    rows[row->text(0)] = {row->text(1), row->text(2)};
  }
  EXPECT_EQ(rows["Red"], (QStringList{"red.png", "3"}));
  EXPECT_EQ(rows["Blue"], (QStringList{"", "1"}));
}

TEST_F(InfoDialogsWindow, NothingIsShownForTheRootOrAForeignNode) {
  TwoLevels s;
  EXPECT_EQ(viewer::showNodeInfo(nullptr, &s.scene, s.scene.GetSceneRoot()), 0);
  EXPECT_EQ(viewer::showNodeInfo(nullptr, &s.scene, nullptr), 0);
  C3DSceneNode stray;
  EXPECT_EQ(viewer::showNodeInfo(nullptr, &s.scene, &stray), 0);
  EXPECT_EQ(viewer::showMaterialInfo(nullptr, &s.scene, 12345), 0);
  // Asking about the default material does not make one.
  const int materials = s.scene.GetMaterialNumber();
  EXPECT_EQ(viewer::showMaterialInfo(nullptr, &s.scene, 0), 0);
  EXPECT_EQ(s.scene.GetMaterialNumber(), materials);
}

TEST_F(InfoDialogsWindow, TheNodeSheetOpensFromItsEntryPoint) {
  C3DFrameViewer& frame = OpenFrame();
  TwoLevels s;
  QStringList titles;
  AnswerNextDialog([&titles](QWidget* dialog) {
    EXPECT_EQ(dialog->objectName(), viewer::kNodeInfoSheetName);
    auto* sheet = dynamic_cast<CCustomPropertySheet*>(dialog);
    for (int i = 0; i < sheet->GetPageCount(); ++i) titles << sheet->GetPage(i)->GetTitle();
    sheet->GetButton(QDialogButtonBox::Ok)->click();
  });
  EXPECT_EQ(viewer::showNodeInfo(&frame, &s.scene, s.child), 1);
  EXPECT_EQ(titles, (QStringList{"Transformations", "Geometry", "Materials"}));
}

TEST_F(InfoDialogsWindow, TheMaterialDialogShowsAndReplacesTheTexture) {
  C3DFrameViewer& frame = OpenFrame();
  const std::filesystem::path folder = std::filesystem::path(TempPath("scene.v3d")).parent_path();
  QImage first(8, 4, QImage::Format_RGB32);
  first.fill(Qt::red);
  ASSERT_TRUE(first.save(QString::fromStdString((folder / "first.png").string())));
  QImage second(16, 16, QImage::Format_RGB32);
  second.fill(Qt::blue);
  ASSERT_TRUE(second.save(QString::fromStdString((folder / "second.png").string())));

  auto owned = std::make_unique<C3DScene>();
  C3DScene* scene = owned.get();
  scene->SetFilename(CFileNameSpec((folder / "scene.v3d").string(), 0));
  scene->AddNode(nullptr, triangleNode("shape"));
  C3DMaterial* material = scene->GetMaterials().CreateNewMaterial(5);
  material->SetName("Painted");
  material->SetDiffuseColor(CRGBColor(10, 20, 30, 255));
  material->SetTransparencyFactor(0.25f);
  material->AddMaterialMap("first.png", 0xFFFFFFFF, MAP_DIFFUSE, PROJECTION_EXPLICIT);
  frame.InsertScene(std::move(owned));
  frame.SetCurrentScene(scene);
  frame.DocumentSaved();

  QSize shown;
  AnswerNextDialog([&](QWidget* dialog) {
    EXPECT_EQ(dialog->objectName(), viewer::kMaterialInfoName);
    EXPECT_EQ(dialog->windowTitle(), "Material Information");
    EXPECT_EQ(control<QLineEdit>(dialog, "name")->text(), "Painted");
    EXPECT_EQ(control<CColorButton>(dialog, "diffuse")->GetColor().GetRGB(), 0x1E140Au);
    EXPECT_EQ(control<QLineEdit>(dialog, "transparency")->text(), "0.25");
    EXPECT_EQ(control<QLineEdit>(dialog, "textureFile")->text(), "first.png");
    // "Open bitmap" shows the picture, at its size.
    answerNamed(viewer::kBitmapViewerName, [&shown](QWidget* viewerDialog) {
      const QLabel* picture = viewerDialog->findChild<QLabel*>("bitmap");
      if (picture != nullptr) shown = picture->pixmap().size();
      qobject_cast<QDialog*>(viewerDialog)->accept();
    });
    control<QPushButton>(dialog, "openBitmap")->click();
    // "Modify file" picks the other picture.
    answerNamed("textureFileDialog", [&folder](QWidget* files) {
      auto* chooser = qobject_cast<QFileDialog*>(files);
      ASSERT_NE(chooser, nullptr);
      chooser->setDirectory(QString::fromStdString(folder.string()));
      chooser->findChild<QLineEdit*>("fileNameEdit")->setText("second.png");
      static_cast<QDialog*>(chooser)->accept();
    });
    control<QPushButton>(dialog, "modifyFile")->click();
    EXPECT_EQ(control<QLineEdit>(dialog, "textureFile")->text(), "second.png");
    qobject_cast<QDialog*>(dialog)->accept();
  });
  EXPECT_EQ(viewer::showMaterialInfo(&frame, scene, 5), 1);
  EXPECT_EQ(shown, QSize(8, 4));
  EXPECT_EQ(material->GetDiffuseMaps()->GetFileName(), "second.png");
  EXPECT_TRUE(frame.IsDocumentModified());
}

}  // namespace
}  // namespace vex3d::test
