#pragma once
// "Save Scene As Image...": the scene rendered off screen into one image, or
// into a turntable series, and written as image files. Applied from a script
// it renders one image of the series per call and hands the bitmap back
// instead of writing anything.
#include <cstdint>
#include <string>

#include "hostlib/core/fourcc.h"
#include "hostlib/text/string_ids.h"
#include "shared/gl_view_settings.h"
#include "viewer/command_3d.h"

class CFrameBitmap;

namespace vex3d {

// Parameters, all optional (defaults in brackets).
inline constexpr std::uint32_t kSaveBitmapBackground = vex3d::fourcc("BKCO");  // COLORREF [white]
inline constexpr std::uint32_t kSaveBitmapAntialias = vex3d::fourcc("SMOO");   // bool [1]
inline constexpr std::uint32_t kSaveBitmapRenderMode = vex3d::fourcc("RDMD");  // index [3 Smooth]
inline constexpr std::uint32_t kSaveBitmapViewPos = vex3d::fourcc("RDPS");     // index [6 Current]
inline constexpr std::uint32_t kSaveBitmapWidth = vex3d::fourcc("WIDT");       // pixels [720]
inline constexpr std::uint32_t kSaveBitmapHeight = vex3d::fourcc("HEIG");      // pixels [568]
inline constexpr std::uint32_t kSaveBitmapAnimate = vex3d::fourcc("ANIM");     // bool [0]
inline constexpr std::uint32_t kSaveBitmapImages = vex3d::fourcc("IMGN");      // count [12]
inline constexpr std::uint32_t kSaveBitmapMovement = vex3d::fourcc("MVMT");    // index [0]
inline constexpr std::uint32_t kSaveBitmapAmplitude = vex3d::fourcc("AMPL");   // degrees [360]
// A camera on a sphere about the scene instead of a point of view: degrees
// to the right of the front view and above the horizon, each a float's
// bits in an unsigned value [none: the point of view applies].
inline constexpr std::uint32_t kSaveBitmapAzimuth = vex3d::fourcc("AZIM");
inline constexpr std::uint32_t kSaveBitmapElevation = vex3d::fourcc("ELEV");
// View-mode bits added to those of a rendering outside a viewer (vertex
// colours, specified normals...) [none]. A viewer's own settings win.
inline constexpr std::uint32_t kSaveBitmapExtraViewFlags = vex3d::fourcc("VFLG");
// Script input: the image of the series to render [0].
inline constexpr std::uint32_t kSaveBitmapImageIndex = vex3d::fourcc("CRIT");
// Script outputs: the number of images, and the image (a CLayerBitmap the
// caller owns).
inline constexpr std::uint32_t kSaveBitmapImageCount = vex3d::fourcc("ITSZ");
inline constexpr std::uint32_t kSaveBitmapImage = vex3d::fourcc("IOBM");

// The input record of a scripted run holds the scene and the image index;
// the output record holds one image.
inline constexpr std::uint32_t kDataFormatSceneAndIndex = 22;

// Turntable directions (kSaveBitmapMovement).
enum TurnDirection : int { turnRight = 0, turnLeft = 1, turnUp = 2, turnDown = 3 };

}  // namespace vex3d

class VEX3D_EXPORT C3DSaveAsBitmap : public C3DCommand {
 public:
  using C3DCommand::OnApplyCommand;
  using C3DCommand::OnOpenDialog;

  struct Params {
    std::uint32_t background = 0xFFFFFF;
    bool antialias = true;
    std::uint32_t renderMode = 3;
    std::uint32_t viewPos = 6;
    std::uint32_t width = 720;
    std::uint32_t height = 568;
    bool animate = false;
    std::uint32_t images = 12;
    std::uint32_t movement = 0;
    std::uint32_t amplitude = 360;
    std::uint32_t extraViewFlags = 0;
    bool orbit = false;  // azimuth and elevation replace the point of view
    float azimuth = 0.0f;
    float elevation = 0.0f;
  };

  C3DSaveAsBitmap();

  CCommandID GetCommandID() const override;
  std::uint32_t GetNameId() const override { return vex3d::kStrSaveAsImage; }
  std::uint32_t GetHelpId() const override { return vex3d::kStrSaveAsImageHelp; }
  // helpParameters: a summary of the parameters; any other kind: what the
  // command does.
  bool GetHelp(int kind, std::string& text) const override;
  bool AreParametersValid(const CCustomData& parameters) const override;

  // Reads the parameters (defaults for what is missing); when scripting,
  // also writes the number of images to the output.
  void InitParams();
  const Params& GetParams() const { return m_params; }

  CommandResult OnApplyCommand(C3DScene* scene) override;
  CommandResult OnOpenDialog(C3DScene* scene) override;
  // Renders with a prepared record (sizes already doubled for antialiasing).
  CommandResult OnApplyCommand(_GlViewSettings& settings, C3DScene* scene);

  // The record for the current parameters: from `frameView`'s settings when
  // the command runs in a viewer, else from the parameters alone.
  void PrepareSettings(_GlViewSettings& settings, const C3DView* frameView) const;
  // Turns the record's rotation by `angle` radians in `direction`, about
  // the screen's vertical (right, left) or horizontal (up, down) axis.
  static void Move(_GlViewSettings& settings, int direction, float angle);

  // The render-mode bits for an index of the render-mode list.
  static std::uint32_t RenderModeBits(std::uint32_t index);
  // The point of view for an index of the point-of-view list.
  static std::uint32_t ViewPosition(std::uint32_t index);

 private:
  std::uint32_t ImageCount() const;
  CommandResult SaveFrames(CFrameBitmap& frames, C3DScene* scene);

  Params m_params;
};
