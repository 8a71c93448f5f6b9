#include "EditorClipboard.h"
