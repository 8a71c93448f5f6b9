#include "EditorActions.h"
