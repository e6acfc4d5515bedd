// The export tests' main window and message recorder, shared rather than copied.
#include "ui/output/outputtestkit.cpp"
