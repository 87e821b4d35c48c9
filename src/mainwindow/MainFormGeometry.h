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
constexpr int kPreviewButtons = 66; // the track bar, times and buttons under the picture
constexpr int kPreviewStrip = 20; // the strip right of the picture
constexpr int kGridStrip = 10; // between the grids and the Start/Stop area
constexpr int kStartStopHeight = 84;

// The window's smallest size: it fits a 1280 x 720 screen at any usual scale up to 150 %
// and a 1600 x 1000 screen at 200 % (800 x 500 to lay out, with room for a title bar).
constexpr int kMinWidth = 760;
constexpr int kMinHeight = 460;
// The grids keep at least this much height when the picture grows.
constexpr int kMinGridsHeight = 100;

} // namespace MainFormGeometry
