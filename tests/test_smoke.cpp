#include <gtest/gtest.h>
#include "Texture.h"
TEST(Smoke, Builds) { qeltexture::CQelTexture t; EXPECT_EQ(t.getDataSize(), 0u); }
