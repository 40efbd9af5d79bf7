// The widget layer's start-up: programs and test programs call this before
// classlib::Startup(), which then runs the layer's modules in order.
#pragma once

void RegisterWidgetModules();
