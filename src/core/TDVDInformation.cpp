#include "TDVDInformation.h"

TDVDInformation DvdInfo;
