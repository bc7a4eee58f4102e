// A test of the program with a folder of its own for the files it writes.
#pragma once

#include "shell/program_run.h"
#include "temp_folder.h"

class ProgramFileTest : public TempFolderTest {};
