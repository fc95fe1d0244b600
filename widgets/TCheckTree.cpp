#include "TCheckTree.h"
