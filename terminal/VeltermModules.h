// The terminal program's start-up list, shared by the program and its tests:
// the port's event delivery, the widget layer's modules, the language tables, then the program's
// own step (the classes its form data names, the About box's texts).
#pragma once

// Call before classlib::Startup().
void RegisterTerminalModules();
