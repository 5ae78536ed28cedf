#pragma once
// Controller timers on QTimer: precise, so the 3-second chunk cadence does not drift by the 5 %
// a coarse timer allows.
#include "controller/DictationServices.h"

namespace parlix {

class QtTimerFactory : public TimerFactory {
public:
    std::unique_ptr<ControllerTimer> createTimer() override;
};

} // namespace parlix
