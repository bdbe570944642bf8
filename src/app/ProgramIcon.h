#pragma once
#include <QIcon>

// The program's icon (two stacked map panels), drawn from the SVG source where
// the toolkit reads SVG, else from its PNG renderings.
QIcon ProgramIcon();
