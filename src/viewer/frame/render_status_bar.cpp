#include "viewer/frame/render_status_bar.h"

#include <QLabel>

#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "scene/scene.h"
#include "viewer/frame/frame_viewer.h"

namespace {

QLabel* pane(QWidget* parent, const char* name, int width) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setMinimumWidth(width);
  return label;
}

QString format(int id, int a) { return QString::fromStdString(FormatString(id, a)); }

}  // namespace

CRenderStatusBar::CRenderStatusBar(QWidget* parent) : CCommandStatusBar(parent) {
  setObjectName("renderStatusBar");
  m_points = pane(this, "pointsPane", 100);
  m_faces = pane(this, "facesPane", 100);
  m_frame = pane(this, "framePane", 100);
  addPermanentWidget(m_points);
  addPermanentWidget(m_faces);
  addPermanentWidget(m_frame);
  SceneChanged(nullptr, SCENE_CHANGED_CURRENT);
}

void CRenderStatusBar::SetSceneInfo(int points, int faces) {
  m_points->setText(format(vex3d::kStrPointsPane, points));
  m_faces->setText(format(vex3d::kStrFacesPane, faces));
}

void CRenderStatusBar::SceneChanged(C3DScene* scene, int reason) {
  if (reason & (SCENE_CHANGED_CURRENT | SCENE_CHANGED_POINTS)) {
    m_points->setText(format(vex3d::kStrPointsPane, scene != nullptr ? scene->GetPointNbr() : 0));
  }
  if (reason & (SCENE_CHANGED_CURRENT | SCENE_CHANGED_FACES)) {
    m_faces->setText(format(vex3d::kStrFacesPane, scene != nullptr ? scene->GetFaceNbr() : 0));
  }
  if (reason & (SCENE_CHANGED_CURRENT | SCENE_CHANGED_TIME)) {
    // A still scene reads 0 over 1, as an animation of one frame would.
    const int time = scene != nullptr ? scene->GetTickCount() : 0;
    const int length = scene != nullptr ? static_cast<int>(scene->GetTimeRange().GetLength()) : 1;
    m_frame->setText(QString::fromStdString(FormatString(vex3d::kStrFramePane, time, length)));
  }
}

QString CRenderStatusBar::GetPointsText() const { return m_points->text(); }
QString CRenderStatusBar::GetFacesText() const { return m_faces->text(); }
QString CRenderStatusBar::GetFrameText() const { return m_frame->text(); }
