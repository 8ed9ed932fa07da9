#pragma once

struct AccountCommandInput;

// `tagwerk-cli target set` and `target list`: the employees' target weeks.
int runTarget(const AccountCommandInput &input);
