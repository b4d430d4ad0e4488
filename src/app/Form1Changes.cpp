#include "Form1.h"

// Filled by the change handling: upload, e-mail, IP file and log on a new address.
void TForm1::btnFTPClick(QObject*) {}
