#include "services/controls/MvAxWinInfo.h"

MvAxWinInfo::~MvAxWinInfo() {
    hostWindow.destroy();
    inPlaceObject.reset();
}
