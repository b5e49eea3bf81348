// A gtest fixture with an offscreen GL context current for each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "framework/offscreen.h"

class GLTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;

    void SetUp() override
    {
        gl = std::make_unique<OrvOffscreen>(kWidth, kHeight);
        ASSERT_TRUE(gl->Ok()) << gl->Error();
    }
    void TearDown() override { gl.reset(); }

    std::unique_ptr<OrvOffscreen> gl;
};
