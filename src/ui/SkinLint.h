#pragma once
// Checks of a laid-out window that a reviewer would otherwise do by eye:
// every visible text fits its control (in the font it is drawn with, wrapped
// when multi-line) and no two texts overlap. Used by the skin review tool and
// the tests of the shipped layouts. UI thread.
#include <string>
#include <vector>

#include "toolkit/Toolkit.h"

// One line per problem, e.g. "text of customeBtn needs 60x15, has 40x24";
// empty when the window is fine. Lay the window out first (EnsureLayout).
std::vector<std::string> FindTextProblems(Toolkit::CPaintManagerUI& manager);
