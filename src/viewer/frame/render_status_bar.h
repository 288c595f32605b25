#pragma once
// The viewer's status bar: the help line, then what the current scene
// holds (points, faces) and where its animation stands.
#include <cstdint>

#include "hostlib/ui/command_status_bar.h"
#include "viewer_export.h"

class C3DScene;
class QLabel;

class VEX3D_VIEWER_EXPORT CRenderStatusBar : public CCommandStatusBar {
 public:
  explicit CRenderStatusBar(QWidget* parent = nullptr);

  // Reasons as the frame's SceneChanged gives them; `scene` may be null.
  void SceneChanged(C3DScene* scene, int reason);
  void SetSceneInfo(int points, int faces);

  QString GetPointsText() const;
  QString GetFacesText() const;
  QString GetFrameText() const;

 private:
  QLabel* m_points;
  QLabel* m_faces;
  QLabel* m_frame;
};
