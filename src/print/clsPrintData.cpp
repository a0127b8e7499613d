#include "print/clsPrintData.h"
