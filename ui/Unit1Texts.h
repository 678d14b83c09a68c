#pragma once
// The About window's own texts, letter for letter.

namespace ui::texts {

inline constexpr const char* kAboutCaption = "Про програму";
inline constexpr const char* kAboutOk = "ОК";  // Cyrillic О and К

// The maker's two sites: the About window's label, and the main window's site
// button (a different address).
inline constexpr const char* kLabelHost = "ostra.example";
inline constexpr const char* kLabelUrl = "https://ostra.example/";
inline constexpr const char* kSiteUrl = "https://support.ostra.example/";

}  // namespace ui::texts
