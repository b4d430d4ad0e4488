#include "Form1.h"

// The help document is written beside the settings file by the window extras; until they provide it,
// start-up has nothing to write here.
void TForm1::WriteHelpFileIfMissing() {}
