#include "render/gl_context.h"

#include <EGL/egl.h>
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>

#include "render/egl_context.h"

namespace {

using vex3d::EglOffscreenContext;
using vex3d::GlContext;

std::unique_ptr<EglOffscreenContext> makeContext() {
  std::string error;
  auto context = EglOffscreenContext::create(8, 8, &error);
  EXPECT_NE(context, nullptr) << error;
  return context;
}

TEST(GlContextTest, GlewCodesThatMeanLoaded) {
  EXPECT_TRUE(vex3d::isGlewInitSuccess(GLEW_OK));
  EXPECT_TRUE(vex3d::isGlewInitSuccess(GLEW_ERROR_NO_GLX_DISPLAY));
  EXPECT_FALSE(vex3d::isGlewInitSuccess(GLEW_ERROR_NO_GL_VERSION));
  EXPECT_FALSE(vex3d::isGlewInitSuccess(GLEW_ERROR_GL_VERSION_10_ONLY));
}

TEST(GlContextTest, HeadlessContextGivesCompatibilityGlAndLoadsGlew) {
  auto context = makeContext();
  ASSERT_NE(context, nullptr);
  ASSERT_TRUE(context->makeCurrent());
  EXPECT_EQ(GlContext::current(), context.get());
  // Without a GLX display GLEW says so after loading the entry points,
  // which must count as loaded.
  EXPECT_TRUE(vex3d::initGlew());
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  ASSERT_NE(version, nullptr);
  EXPECT_NE(std::string(version).find("Compatibility"), std::string::npos) << version;
  // Fixed function works: a cleared colour reads back.
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  unsigned char px[4] = {};
  glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
  EXPECT_EQ(px[0], 255);
  EXPECT_EQ(px[1], 0);
  context->doneCurrent();
  EXPECT_EQ(GlContext::current(), nullptr);
  EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
}

TEST(GlContextTest, EmptySizeFailsCleanly) {
  std::string error;
  EXPECT_EQ(EglOffscreenContext::create(0, 10, &error), nullptr);
  EXPECT_FALSE(error.empty());
}

TEST(GlContextTest, DestroyingTheCurrentContextReleasesIt) {
  auto context = makeContext();
  ASSERT_TRUE(context->makeCurrent());
  context.reset();
  EXPECT_EQ(GlContext::current(), nullptr);
  EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
}

}  // namespace
