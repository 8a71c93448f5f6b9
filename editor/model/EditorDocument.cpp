#include "EditorDocument.h"
