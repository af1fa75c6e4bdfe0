// Capturing the method table from the loaded d3d11 module (the real one under
// Wine, the stand-in here) in the test program itself: the statuses, the
// layout of the 205 entries against the tables of a game's own objects, and
// the life of the table.
#include "drawing_game.h"
#include "interception/method_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

class MethodTable : public testing::Test {
protected:
    void TearDown() override { releaseMethodTable(); }

    std::vector<void*> captured() const {
        return std::vector<void*>(methodTable, methodTable + methodTableSize);
    }
};

} // namespace

TEST_F(MethodTable, OnlyDirect3D11IsSupported) {
    for (std::int32_t number : {0, 1, 2, 4, -1}) {
        EXPECT_EQ(captureMethodTable(static_cast<RenderType>(number)),
                  MethodTableStatus::NotSupported)
            << number;
        EXPECT_EQ(capturedRenderType, RenderType::None);
        EXPECT_EQ(methodTable, nullptr);
    }
}

TEST_F(MethodTable, CaptureCopiesTheContextsMethodsAsTheGameSeesThem) {
    ASSERT_EQ(captureMethodTable(RenderType::Direct3D11), MethodTableStatus::Success);
    EXPECT_EQ(capturedRenderType, RenderType::Direct3D11);
    ASSERT_NE(methodTable, nullptr);
    // Every method of the base interfaces is there; Wine leaves a few slots
    // of the later context versions empty, so those are copied as they are.
    for (std::size_t i = 0; i < methodTableSize; ++i) {
        const bool base = i < deviceEntry + 40 || (i >= contextEntry && i < contextEntry + 108);
        if (base) {
            EXPECT_NE(methodTable[i], nullptr) << "entry " << i;
        }
    }

    // The throw-away context is gone, yet its methods are the game's.
    DrawingGame game{sampleMeshes};
    ASSERT_EQ(game.failure(), "");
    void* const* methods = game.contextMethods();
    EXPECT_EQ(methodTable[drawIndexedEntry], static_cast<const void*>(game.drawIndexedCode()));
    // Only the 108 methods of ID3D11DeviceContext itself are certain to be
    // shared; later versions may differ between objects on some systems.
    for (std::size_t i = 0; i < 108; ++i)
        EXPECT_EQ(methodTable[contextEntry + i], methods[i]) << "context method " << i;
}

TEST_F(MethodTable, ASecondCaptureChangesNothingUntilReleased) {
    ASSERT_EQ(captureMethodTable(RenderType::Direct3D11), MethodTableStatus::Success);
    void** first = methodTable;
    const std::vector<void*> entries = captured();

    EXPECT_EQ(captureMethodTable(RenderType::Direct3D11), MethodTableStatus::AlreadyCaptured);
    EXPECT_EQ(methodTable, first);
    EXPECT_EQ(captured(), entries);
    EXPECT_EQ(capturedRenderType, RenderType::Direct3D11);

    releaseMethodTable();
    EXPECT_EQ(methodTable, nullptr);
    EXPECT_EQ(capturedRenderType, RenderType::None);
    releaseMethodTable();
    EXPECT_EQ(methodTable, nullptr);

    // Released, the table can be captured again, with the same code.
    ASSERT_EQ(captureMethodTable(RenderType::Direct3D11), MethodTableStatus::Success);
    EXPECT_EQ(methodTable[drawIndexedEntry], entries[drawIndexedEntry]);
}

TEST(DrawIndexedEntry, IsMethodTwelveOfTheContextBlock) {
    EXPECT_EQ(methodTableSize, 205u);
    EXPECT_EQ(deviceEntry, 18u);
    EXPECT_EQ(contextEntry, 61u);
    EXPECT_EQ(drawIndexedEntry, 73u);
}
