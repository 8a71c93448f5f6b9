#include "EditorCommands.h"
