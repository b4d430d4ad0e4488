#include "DataFile.h"

#include "ActionErrors.h"
#include "ActionFiles.h"

#include <string>

bool WriteDataFile(std::string_view fileName, std::string_view address)
{
    if (!FileFolderExists(fileName))
        return false;
    std::string file(fileName);
    if (IsReadOnlyFile(file))
        throw EActionFileError("The IP file \"" + file + "\" is read-only.");

    ReplaceFileContents(file, address, "IP file");
    return true;
}
