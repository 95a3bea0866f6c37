#pragma once
// The two ways a run can be conducted once start-up is done. Each returns the
// process exit status.
//
// The window front-end: prepares the UI toolkit with the skin package,
// creates the main window, centres it and runs its modal loop until the
// window is gone.
int RunWindowFrontEnd();
// The silent front-end (-silent=true): the same installation without a
// window, with progress on standard output.
int RunSilentFrontEnd();
