// The setup utility's start-up: the program (and its test programs) calls
// this before classlib::Startup(). It registers the widget layer's modules,
// the setup utility's languages, and then the setup utility's own module,
// which makes its control classes known to form data and, at shut-down,
// frees the progress window before the widget layer goes.
#pragma once

void RegisterSetupModules();
// The setup utility's control classes for FindClass.
void RegisterSetupClasses();
