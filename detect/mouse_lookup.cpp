// The serial-mouse lookup: the Plug and Play registry first, then the
// external detector.
#include "detect/detect.h"

int FindMousePort(int disable)
{
    int port = FindRegisteredMouse(disable);
    if (port != 0)
        return port;
    return AskMouseDetector(QVX_DETECTOR_TIME_LIMIT);
}
