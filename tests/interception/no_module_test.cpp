// A program that has not loaded the d3d11 module: the capture answers
// ModuleNotFound, leaves no table and never loads the module itself.
#include "interception/method_table.h"
#include "interception/probe_window.h"

#include <gtest/gtest.h>

TEST(WithoutD3d11, TheCaptureAnswersModuleNotFoundAndLoadsNothing) {
    ASSERT_EQ(loadedD3d11Module(), nullptr) << "this program must not load d3d11";
    EXPECT_EQ(captureMethodTable(RenderType::Direct3D11), MethodTableStatus::ModuleNotFound);
    EXPECT_EQ(methodTable, nullptr);
    EXPECT_EQ(capturedRenderType, RenderType::None);
    EXPECT_EQ(loadedD3d11Module(), nullptr);

    // Nothing to switch off.
    releaseMethodTable();
    EXPECT_EQ(methodTable, nullptr);
    EXPECT_EQ(capturedRenderType, RenderType::None);
}
