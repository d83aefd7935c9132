#pragma once

namespace kestrine::app {

// The application's title: the main window's caption and the caption of boxes that have none of their own.
inline constexpr const char* kApplicationTitle = "Kestrine";
inline constexpr const char* kReadyText = "Ready";
inline constexpr const char* kWarningCaption = "Warning";
inline constexpr const char* kTipCaption = "Tip";
inline constexpr const char* kInitSockFailed = " Init sock failed ! ";

}  // namespace kestrine::app
