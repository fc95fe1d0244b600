#include "TPageControl.h"
