#include "Form1.h"

#include <QLineEdit>
#include <QPushButton>

void TForm1::TsFTPShow()
{
    bool filled = true;
    for (const QLineEdit* field : {RemoteHost, Username, Password, edLocalFile, edRemote})
        filled = filled && !field->text().isEmpty();
    btnFTP->setEnabled(filled);
}
