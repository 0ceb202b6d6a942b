#pragma once

// The file that keeps indexers out of the folder holding it: the storage folder and the root of
// every unlocked vault. Its name alone, for code that must not depend on Qt.
inline constexpr const char* privacyMarkerName = ".metadata_never_index";
