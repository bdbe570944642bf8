#pragma once
#include <QString>
#include <string_view>

// A file dialog filter in the toolkit form "Desc|patterns|Desc|patterns||" turned
// into Qt's "Desc (patterns);;Desc (patterns)". Qt reads the patterns from the
// last parentheses of each entry, so a description that does not show its
// patterns gets them appended. "*.*" means every file there; Qt would only match
// names holding a dot, so it becomes "*".
QString ToQtFileFilter(std::string_view filter);
