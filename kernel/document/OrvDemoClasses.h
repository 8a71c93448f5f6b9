#pragma once

#include <string>

class COrvDemo;
class COrvLayer;
class COrvResource;

// The class names a demo file may hold under "Resources" and "Layers", and how each object
// is made. Null when the name is not one of them.
COrvResource* OrvCreateResourceByClass(const std::string& className);
COrvLayer* OrvCreateLayerByClass(const std::string& className, COrvDemo* pDemo);

// Reads a decimal integer the way atoi does (blanks, sign, digits, 0 when there are none),
// but saturates at the int range instead of overflowing.
int OrvAtoi(const char* pText);
