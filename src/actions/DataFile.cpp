#include "DataFile.h"

#include "ActionErrors.h"
#include "ActionFiles.h"

#include <string>

namespace kestrune::actions {

bool writeDataFile(std::string_view fileName, std::string_view address)
{
    if (!fileFolderExists(fileName))
        return false;
    std::string file(fileName);
    if (isReadOnlyFile(file))
        throw FileActionError("The IP file \"" + file + "\" is read-only.");

    replaceFileContents(file, address, "IP file");
    return true;
}

} // namespace kestrune::actions
