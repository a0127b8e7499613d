#include "ctlDrawBox.h"
