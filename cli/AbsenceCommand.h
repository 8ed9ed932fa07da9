#pragma once

struct AccountCommandInput;

// `tagwerk-cli absence add`, `remove` and `list`: vacation, sickness, other
// paid leave and unpaid leave.
int runAbsence(const AccountCommandInput &input);
