#include "DataFile.h"

#include "ActionErrors.h"
#include "ActionFiles.h"

#include <cerrno>
#include <string>

#include <fcntl.h>

bool WriteDataFile(std::string_view fileName, std::string_view address)
{
    if (!FileFolderExists(fileName))
        return false;
    std::string file(fileName);
    if (IsReadOnlyFile(file))
        throw EActionFileError("The IP file \"" + file + "\" is read-only.");

    TFileHandle out(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!out.IsOpen())
        throw EActionFileError(FileErrorText("Could not create the IP file", file, errno));
    int error = WriteAll(out.Get(), address);
    if (error == 0)
        error = out.Close();
    if (error != 0)
        throw EActionFileError(FileErrorText("Could not write the IP file", file, error));
    return true;
}
