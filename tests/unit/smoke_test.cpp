#include <gtest/gtest.h>

#include "labyrinth/image_data.h"

TEST(ImageData, RowStrideRoundsUpToFourBytes)
{
    EXPECT_EQ(ImageRowStride(5, 3), 16u);
    EXPECT_EQ(ImageRowStride(4, 3), 12u);
    EXPECT_EQ(ImageRowStride(6, 1), 8u);
    EXPECT_EQ(ImageRowStride(0, 3), 0u);
}
