#pragma once

// The main window's measures, in pixels, shared by its layout and its resizing.
namespace MainFormGeometry {

constexpr int kTopMargin = 25;
constexpr int kLeftMargin = 24;
constexpr int kBottomMargin = 20;
constexpr int kRightColumn = 230;
constexpr int kSplitter = 10;
constexpr int kToolbarHeight = 62;
constexpr int kBottomHeight = 109;
constexpr int kHintWidth = 398;
constexpr int kBottomPanelWidth = 570;

} // namespace MainFormGeometry
