#include "viewer/save_as_bitmap.h"

#include <bit>
#include <filesystem>
#include <memory>
#include <numbers>
#include <vector>

#include "hostlib/core/progress.h"
#include "hostlib/core/rgb_color.h"
#include "hostlib/images/bitmap.h"
#include "hostlib/images/frame_bitmap.h"
#include "hostlib/images/image_io.h"
#include "hostlib/images/layer_bitmap.h"
#include "hostlib/text/strings.h"
#include "render/navigation.h"
#include "render/view.h"
#include "render/view_flags.h"
#include "scene/scene.h"

namespace {

constexpr std::uint32_t kCommandGroup = vex3d::fourcc("3DCO");
constexpr std::uint32_t kCurrentViewIndex = 6;
// The image files of the save dialog.
constexpr std::uint32_t kImageFileDialog = 0x13000;
// Larger renderings than this are refused before any context is made.
constexpr std::uint32_t kMaxSide = 16384;

// Item `index` of a "|"-separated list; empty past its end.
std::string listItem(const std::string& list, std::uint32_t index) {
  std::size_t start = 0;
  for (std::uint32_t i = 0; i < index; ++i) {
    start = list.find('|', start);
    if (start == std::string::npos) return {};
    ++start;
  }
  const std::size_t end = list.find('|', start);
  return list.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string yesNo(bool value) { return LoadStringW(value ? vex3d::kStrYes : vex3d::kStrNo); }

// The summary lines end in a line break, whether or not their text has one.
void appendLine(std::string& out, const std::string& line) {
  out += line;
  if (out.empty() || out.back() != '\n') out += '\n';
}

bool cancelled() {
  ProcessProgressInfo info;
  return progressCallCallback(vex3d::kProgressIsCancelled, &info) != 0;
}

}  // namespace

C3DSaveAsBitmap::C3DSaveAsBitmap() {
  SetInputDataFormat(vex3d::kDataFormatSceneAndIndex);
  SetOutputDataFormat(vex3d::kDataFormatBitmap);
}

CCommandID C3DSaveAsBitmap::GetCommandID() const {
  return CCommandID(kCommandGroup, vex3d::kCommandKindDialog, vex3d::fourcc("FILE"),
                    vex3d::fourcc("SAVB"));
}

bool C3DSaveAsBitmap::AreParametersValid(const CCustomData& parameters) const {
  const std::uint32_t width = parameters.GetUInt(vex3d::kSaveBitmapWidth, 720);
  const std::uint32_t height = parameters.GetUInt(vex3d::kSaveBitmapHeight, 568);
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
}

void C3DSaveAsBitmap::InitParams() {
  const CCustomData& p = GetParameters();
  const Params defaults;
  m_params.background = p.GetUInt(vex3d::kSaveBitmapBackground, defaults.background);
  m_params.antialias = p.GetBool(vex3d::kSaveBitmapAntialias, defaults.antialias);
  m_params.renderMode = p.GetUInt(vex3d::kSaveBitmapRenderMode, defaults.renderMode);
  m_params.viewPos = p.GetUInt(vex3d::kSaveBitmapViewPos, defaults.viewPos);
  m_params.width = p.GetUInt(vex3d::kSaveBitmapWidth, defaults.width);
  m_params.height = p.GetUInt(vex3d::kSaveBitmapHeight, defaults.height);
  m_params.animate = p.GetBool(vex3d::kSaveBitmapAnimate, defaults.animate);
  m_params.images = p.GetUInt(vex3d::kSaveBitmapImages, defaults.images);
  m_params.movement = p.GetUInt(vex3d::kSaveBitmapMovement, defaults.movement);
  m_params.amplitude = p.GetUInt(vex3d::kSaveBitmapAmplitude, defaults.amplitude);
  m_params.extraViewFlags = p.GetUInt(vex3d::kSaveBitmapExtraViewFlags, defaults.extraViewFlags);
  m_params.orbit = p.HasKey(vex3d::kSaveBitmapAzimuth) || p.HasKey(vex3d::kSaveBitmapElevation);
  m_params.azimuth = std::bit_cast<float>(p.GetUInt(vex3d::kSaveBitmapAzimuth, 0));
  m_params.elevation = std::bit_cast<float>(p.GetUInt(vex3d::kSaveBitmapElevation, 0));
  if (IsScripting()) GetOutputData().SetUInt(vex3d::kSaveBitmapImageCount, ImageCount());
}

std::uint32_t C3DSaveAsBitmap::ImageCount() const { return m_params.animate ? m_params.images : 1; }

bool C3DSaveAsBitmap::GetHelp(int kind, std::string& text) const {
  if (kind != helpParameters) return GetCommandHelp(GetHelpId(), text);
  // From the parameters as they are now, not as the last run read them.
  const CCustomData& p = GetParameters();
  const Params d;
  const std::uint32_t color = p.GetUInt(vex3d::kSaveBitmapBackground, d.background);
  const bool animate = p.GetBool(vex3d::kSaveBitmapAnimate, d.animate);
  text.clear();
  appendLine(text, vex3d::formatText(LoadCommandString(vex3d::kStrColor).c_str(), color & 0xFF,
                                     (color >> 8) & 0xFF, (color >> 16) & 0xFF));
  appendLine(text,
             vex3d::formatText(LoadCommandString(vex3d::kStrAntialiasing).c_str(),
                               yesNo(p.GetBool(vex3d::kSaveBitmapAntialias, d.antialias)).c_str()));
  appendLine(text, vex3d::formatText(LoadCommandString(vex3d::kStrRenderMode).c_str(),
                                     listItem(LoadCommandString(vex3d::kStrRenderModes),
                                              p.GetUInt(vex3d::kSaveBitmapRenderMode, d.renderMode))
                                         .c_str()));
  appendLine(text, vex3d::formatText(LoadCommandString(vex3d::kStrViewPos).c_str(),
                                     listItem(LoadCommandString(vex3d::kStrViewPositions),
                                              p.GetUInt(vex3d::kSaveBitmapViewPos, d.viewPos))
                                         .c_str()));
  appendLine(text,
             vex3d::formatText(LoadCommandString(vex3d::kStrImageSize).c_str(),
                               static_cast<int>(p.GetUInt(vex3d::kSaveBitmapWidth, d.width)),
                               static_cast<int>(p.GetUInt(vex3d::kSaveBitmapHeight, d.height))));
  appendLine(text, vex3d::formatText(LoadCommandString(vex3d::kStrAnimated).c_str(),
                                     yesNo(animate).c_str()));
  if (animate) {
    appendLine(text,
               vex3d::formatText(LoadCommandString(vex3d::kStrImages).c_str(),
                                 static_cast<int>(p.GetUInt(vex3d::kSaveBitmapImages, d.images))));
    appendLine(text, vex3d::formatText(LoadCommandString(vex3d::kStrDirection).c_str(),
                                       listItem(LoadCommandString(vex3d::kStrDirections),
                                                p.GetUInt(vex3d::kSaveBitmapMovement, d.movement))
                                           .c_str()));
    appendLine(text, vex3d::formatText(
                         LoadCommandString(vex3d::kStrAmplitude).c_str(),
                         static_cast<int>(p.GetUInt(vex3d::kSaveBitmapAmplitude, d.amplitude))));
  }
  return true;
}

std::uint32_t C3DSaveAsBitmap::RenderModeBits(std::uint32_t index) {
  switch (index) {
    case 0:
      return VIEW_WIREFRAME;
    case 1:
      return VIEW_FLAT;
    case 2:
      return VIEW_FLAT | VIEW_WIREFRAME;
    case 4:
      return VIEW_SMOOTH | VIEW_WIREFRAME;
    default:
      return VIEW_SMOOTH;
  }
}

std::uint32_t C3DSaveAsBitmap::ViewPosition(std::uint32_t index) {
  static constexpr std::uint32_t kPositions[] = {RVIEW_FRONT, RVIEW_BACK, RVIEW_LEFT,
                                                 RVIEW_RIGHT, RVIEW_TOP,  RVIEW_BOTTOM};
  return index < std::size(kPositions) ? kPositions[index] : RVIEW_FRONT;
}

void C3DSaveAsBitmap::PrepareSettings(_GlViewSettings& settings, const C3DView* frameView) const {
  if (frameView == nullptr) {
    settings = _GlViewSettings{};
    settings.mask = GLVS_VIEW_MODE | GLVS_VIEW_POS;
    settings.viewMode = VIEW_TEXTURES | VIEW_SMOOTH_TEXTURES | m_params.extraViewFlags;
    if (m_params.orbit) {
      settings.mask = GLVS_VIEW_MODE | GLVS_ROTATION;
      settings.rotation = vex3d::orbitViewRotation(m_params.azimuth, m_params.elevation);
    }
  } else {
    frameView->GetViewSettings(settings);
    settings.mask = m_params.viewPos == kCurrentViewIndex
                        ? GLVS_ROTATION | GLVS_PAN_DISTANCE | GLVS_VIEW_MODE
                        : GLVS_PAN_DISTANCE | GLVS_VIEW_MODE | GLVS_VIEW_POS;
  }
  settings.viewPos = ViewPosition(m_params.viewPos);
  settings.viewMode =
      (settings.viewMode & ~VIEW_RENDER_MODE_MASK) | RenderModeBits(m_params.renderMode);
}

void C3DSaveAsBitmap::Move(_GlViewSettings& settings, int direction, float angle) {
  // About the screen's axes, as a drag of the rotate tool turns the scene:
  // turning about the scene's own y axis would roll a front view.
  C4x4Matrix turn;
  switch (direction) {
    case vex3d::turnLeft:
      turn.InitRotation(angle, 0.0f, 1.0f, 0.0f);
      break;
    case vex3d::turnUp:
      turn.InitRotation(angle, 1.0f, 0.0f, 0.0f);
      break;
    case vex3d::turnDown:
      turn.InitRotation(-angle, 1.0f, 0.0f, 0.0f);
      break;
    default:
      turn.InitRotation(-angle, 0.0f, 1.0f, 0.0f);
      break;
  }
  settings.rotation = turn * settings.rotation;
}

CommandResult C3DSaveAsBitmap::OnApplyCommand(C3DScene* scene) {
  InitParams();
  _GlViewSettings settings;
  PrepareSettings(settings, Get3DView());
  return OnApplyCommand(settings, scene);
}

CommandResult C3DSaveAsBitmap::OnOpenDialog(C3DScene* scene) {
  // The dialog belongs to the viewer; outside it there is nothing to show.
  (void)scene;
  return cmdCancelled;
}

CommandResult C3DSaveAsBitmap::OnApplyCommand(_GlViewSettings& settings, C3DScene* scene) {
  const int scale = m_params.antialias ? 2 : 1;
  const int width = static_cast<int>(m_params.width) * scale;
  const int height = static_cast<int>(m_params.height) * scale;
  const bool scripting = IsScripting();
  // A scripted call draws one image: compiling lists would only cost time.
  C3DView view(scripting ? DRAWING_MEMORY | DRAWING_IMMEDIATE : DRAWING_MEMORY);
  if (width <= 0 || height <= 0 || !view.CreateMemoryRendering(width, height, 32)) {
    return cmdFailed;
  }
  const std::uint32_t count = ImageCount();
  const float step = static_cast<float>(m_params.amplitude) * std::numbers::pi_v<float> / 180.0f /
                     static_cast<float>(count == 0 ? 1 : count);
  const bool progress = m_params.animate && !scripting;
  if (progress) {
    ProcessProgressInfo info;
    info.title = vex3d::formatText(LoadCommandString(vex3d::kStrRenderingImage).c_str(), 0);
    info.maximum = static_cast<int>(count);
    progressCallCallback(vex3d::kProgressOpen, &info);
  }

  const bool placed = (settings.mask & GLVS_PAN_DISTANCE) != 0;
  view.SetViewSettings(&settings);
  view.GetViewSettings(settings);
  const CRGBColor background(m_params.background);
  view.SetBackgroundColor(background.GetRed(), background.GetGreen(), background.GetBlue());
  view.SetScene(scene);
  if (placed) {
    // Fitting the scene moved the camera the viewer's record placed.
    settings.mask = GLVS_PAN_DISTANCE;
    view.SetViewSettings(&settings);
  }
  settings.mask = GLVS_ROTATION;

  std::uint32_t index = 0;
  if (scripting) {
    index = GetParameters().GetUInt(vex3d::kSaveBitmapImageIndex, 0);
    index = GetInputData().GetUInt(vex3d::kSaveBitmapImageIndex, index);
    if (index > 0) {
      Move(settings, static_cast<int>(m_params.movement), step * static_cast<float>(index));
      view.SetViewSettings(&settings);
    }
  }

  CFrameBitmap frames;
  CommandResult result = cmdDone;
  for (; index < count; ++index) {
    view.UpdateView(0);
    std::unique_ptr<Bitmap> image(view.CreateBitmapFromScene());
    if (!image) {
      result = cmdFailed;
      break;
    }
    if (scale == 2) image->Resize(width / 2, height / 2, vex3d::kResizeArea);
    frames.AddTailFrame(new CLayerBitmap(std::move(image)));
    if (scripting) break;
    if (progress) {
      ProcessProgressInfo info;
      info.title = vex3d::formatText(LoadCommandString(vex3d::kStrRenderingImage).c_str(),
                                     static_cast<int>(index + 1));
      info.position = static_cast<int>(index + 1);
      progressCallCallback(vex3d::kProgressOpenTitle, &info);
      progressCallCallback(vex3d::kProgressSetPosition, &info);
      if (cancelled()) {
        result = cmdCancelled;
        break;
      }
    }
    Move(settings, static_cast<int>(m_params.movement), step);
    view.SetViewSettings(&settings);
  }
  view.DetachScene();
  view.DeleteMemoryRendering();
  if (progress) progressCallCallback(vex3d::kProgressClose, nullptr);
  if (result != cmdDone) return result;

  if (scripting) {
    // An index past the series renders nothing and hands nothing back.
    if (frames.GetFrameNbr() == 0) return cmdFailed;
    std::vector<std::unique_ptr<CLayerBitmap>> owned = frames.DetachAll();
    GetOutputData().SetPtr(vex3d::kSaveBitmapImage, owned.front().release());
    return cmdDone;
  }
  return SaveFrames(frames, scene);
}

CommandResult C3DSaveAsBitmap::SaveFrames(CFrameBitmap& frames, C3DScene* scene) {
  namespace fs = std::filesystem;
  std::string name = "image.png";
  if (scene != nullptr && !scene->GetFilename().IsEmpty()) {
    name = fs::path(scene->GetFilename().GetName()).stem().string() + ".png";
  }
  std::error_code error;
  const fs::path folder = fs::current_path(error);
  C2DIo io(error ? name : (folder / name).string(), 0, nullptr);
  if (io.FileDialogBox(kImageFileDialog) == 0) return cmdCancelled;
  const int prepared = io.PrepareSaving(frames, frames.GetFrameNbr());
  if (prepared != 1) {
    if (prepared == 0) SetHelpLine(LoadStringW(vex3d::kStrImageNotSaved));
    return cmdFailed;
  }
  int saved = 0;
  {
    vex3d::WaitCursor wait;
    saved = io.Save(frames, 0);
  }
  if (saved == 0) {
    SetHelpLine(LoadStringW(vex3d::kStrImageNotSaved));
    return cmdFailed;
  }
  return cmdDone;
}
