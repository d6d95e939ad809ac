// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/platform.h"

namespace tivolen::manager {

// The manager's schedule choice, by the index of ScheduleChoiceTexts. The
// system's scheduler is the only record, so both read it back.

// The choice the scheduler holds for this install's changer; -1 when it
// holds one the choice does not offer (edited by hand).
int InstalledScheduleChoice(Platform& platform);

// Makes `index` the schedule. What stands in the way (no scheduler, no
// display known to it, a failure) is told in a box and leaves the schedule as
// it was. Answers the choice the scheduler holds afterwards.
int ChooseSchedule(Platform& platform, int index);

}  // namespace tivolen::manager
