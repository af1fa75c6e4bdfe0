// The plugin draws into the game host's Dear ImGui context with ImGui code of
// its own, so the copy it is built with must be the host's: Dear ImGui 1.75
// with one colour inserted after CheckMark, the vector operators on, and
// item flags inherited by every window that has a parent. The expected values
// here are worked out from upstream 1.75's own lists, never read from the
// build under test.
#include <imgui.h>
#include <imgui_internal.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <iterator>
#include <string>

namespace {

struct Colour {
    const char* name;
    int built; // the enumerator's value in the build under test
};

// Upstream 1.75's ImGuiCol_ in order, before the host's insertion.
// clang-format off
#define COLOUR(name) {#name, ImGuiCol_##name}
constexpr Colour upstreamOrder[] = {
    COLOUR(Text), COLOUR(TextDisabled), COLOUR(WindowBg), COLOUR(ChildBg), COLOUR(PopupBg),
    COLOUR(Border), COLOUR(BorderShadow), COLOUR(FrameBg), COLOUR(FrameBgHovered),
    COLOUR(FrameBgActive), COLOUR(TitleBg), COLOUR(TitleBgActive), COLOUR(TitleBgCollapsed),
    COLOUR(MenuBarBg), COLOUR(ScrollbarBg), COLOUR(ScrollbarGrab), COLOUR(ScrollbarGrabHovered),
    COLOUR(ScrollbarGrabActive), COLOUR(CheckMark), COLOUR(SliderGrab), COLOUR(SliderGrabActive),
    COLOUR(Button), COLOUR(ButtonHovered), COLOUR(ButtonActive), COLOUR(Header),
    COLOUR(HeaderHovered), COLOUR(HeaderActive), COLOUR(Separator), COLOUR(SeparatorHovered),
    COLOUR(SeparatorActive), COLOUR(ResizeGrip), COLOUR(ResizeGripHovered),
    COLOUR(ResizeGripActive), COLOUR(Tab), COLOUR(TabHovered), COLOUR(TabActive),
    COLOUR(TabUnfocused), COLOUR(TabUnfocusedActive), COLOUR(PlotLines), COLOUR(PlotLinesHovered),
    COLOUR(PlotHistogram), COLOUR(PlotHistogramHovered), COLOUR(TextSelectedBg),
    COLOUR(DragDropTarget), COLOUR(NavHighlight), COLOUR(NavWindowingHighlight),
    COLOUR(NavWindowingDimBg), COLOUR(ModalWindowDimBg),
};
// clang-format on
#undef COLOUR
constexpr int upstreamCount = static_cast<int>(std::size(upstreamOrder));

// Upstream 1.75's ImGuiStyle, member for member, with the host's colour count:
// the compiler lays it out under the ABI of the build, as it does the host's.
struct Vec2 {
    float x, y;
};
struct Vec4 {
    float x, y, z, w;
};
struct HostStyle {
    float Alpha;
    Vec2 WindowPadding;
    float WindowRounding;
    float WindowBorderSize;
    Vec2 WindowMinSize;
    Vec2 WindowTitleAlign;
    int WindowMenuButtonPosition;
    float ChildRounding;
    float ChildBorderSize;
    float PopupRounding;
    float PopupBorderSize;
    Vec2 FramePadding;
    float FrameRounding;
    float FrameBorderSize;
    Vec2 ItemSpacing;
    Vec2 ItemInnerSpacing;
    Vec2 TouchExtraPadding;
    float IndentSpacing;
    float ColumnsMinSpacing;
    float ScrollbarSize;
    float ScrollbarRounding;
    float GrabMinSize;
    float GrabRounding;
    float TabRounding;
    float TabBorderSize;
    int ColorButtonPosition;
    Vec2 ButtonTextAlign;
    Vec2 SelectableTextAlign;
    Vec2 DisplayWindowPadding;
    Vec2 DisplaySafeAreaPadding;
    float MouseCursorScale;
    bool AntiAliasedLines;
    bool AntiAliasedFill;
    float CurveTessellationTol;
    float CircleSegmentMaxError;
    Vec4 Colors[upstreamCount + 1];
};

// A frame of a context of its own, so the tests never share ImGui state.
class HostImGui : public ::testing::Test {
protected:
    void SetUp() override {
        context = ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(400.0f, 300.0f);
        io.DeltaTime = 1.0f / 60.0f;
        unsigned char* pixels = nullptr;
        int width = 0;
        int height = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
        ImGui::NewFrame();
    }
    void TearDown() override {
        ImGui::Render();
        ImGui::DestroyContext(context);
    }
    static bool disabledHere() {
        return (ImGui::GetCurrentWindow()->DC.ItemFlags & ImGuiItemFlags_Disabled) != 0;
    }

    ImGuiContext* context = nullptr;
};

} // namespace

TEST(HostImGuiLayout, VersionIsUpstream175) {
    EXPECT_EQ(IMGUI_VERSION_NUM, 17500);
    EXPECT_EQ(std::string(IMGUI_VERSION), "1.75");
    EXPECT_EQ(upstreamCount, 48) << "upstream 1.75 has 48 colours";
}

TEST(HostImGuiLayout, ColourIndicesAreTheHosts) {
    int checkMark = -1;
    for (int position = 0; position < upstreamCount; ++position) {
        if (std::string(upstreamOrder[position].name) == "CheckMark")
            checkMark = position;
        // Every colour after CheckMark moves up by the one the host inserted.
        const int host = checkMark >= 0 && position > checkMark ? position + 1 : position;
        EXPECT_EQ(upstreamOrder[position].built, host)
            << "ImGuiCol_" << upstreamOrder[position].name;
    }
    ASSERT_EQ(checkMark, 18);
    EXPECT_EQ(ImGuiCol_RangeSliderBar, checkMark + 1);
    EXPECT_EQ(ImGuiCol_COUNT, upstreamCount + 1);
}

TEST(HostImGuiLayout, StyleHasTheHostsSize) {
    EXPECT_EQ(sizeof(ImGuiStyle), sizeof(HostStyle));
    EXPECT_EQ(offsetof(ImGuiStyle, Colors), offsetof(HostStyle, Colors));
    EXPECT_EQ(sizeof(ImGuiStyle::Colors), sizeof(HostStyle::Colors));
    EXPECT_EQ(offsetof(ImGuiStyle, CircleSegmentMaxError),
              offsetof(HostStyle, CircleSegmentMaxError));
}

TEST(HostImGuiLayout, ConfigurationTurnsTheVectorOperatorsOn) {
#ifdef IMGUI_DEFINE_MATH_OPERATORS
    const ImVec2 sum = ImVec2(1.0f, 2.0f) + ImVec2(3.0f, 4.0f);
    EXPECT_EQ(sum.x, 4.0f);
    EXPECT_EQ(sum.y, 6.0f);
#else
    ADD_FAILURE() << "imconfig.h does not define IMGUI_DEFINE_MATH_OPERATORS";
#endif
}

// A flag pushed and popped inside a window falls back to the flags the window
// took from its parent, in child windows and popups alike.
TEST_F(HostImGui, WindowsKeepTheirParentsItemFlags) {
    ImGui::Begin("page");
    ImGui::PushItemFlag(ImGuiItemFlags_Disabled, true);

    ImGui::BeginChild("child", ImVec2(100.0f, 100.0f));
    ImGui::PushItemFlag(ImGuiItemFlags_ButtonRepeat, true);
    ImGui::PopItemFlag();
    EXPECT_TRUE(disabledHere()) << "child window";
    ImGui::EndChild();

    ImGui::OpenPopup("popup");
    const bool popupOpen = ImGui::BeginPopup("popup");
    EXPECT_TRUE(popupOpen);
    if (popupOpen) {
        ImGui::PushItemFlag(ImGuiItemFlags_ButtonRepeat, true);
        ImGui::PopItemFlag();
        EXPECT_TRUE(disabledHere()) << "popup";
        ImGui::EndPopup();
    }

    ImGui::PopItemFlag();
    EXPECT_FALSE(disabledHere()) << "the page itself";
    ImGui::End();

    ImGui::Begin("top level");
    ImGui::PushItemFlag(ImGuiItemFlags_ButtonRepeat, true);
    ImGui::PopItemFlag();
    EXPECT_FALSE(disabledHere()) << "a window without a parent starts from the defaults";
    ImGui::End();
}
