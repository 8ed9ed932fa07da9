#pragma once

struct AccountCommandInput;

// `tagwerk-cli holidays`: the holidays of a year, one DD.MM.YYYY<TAB>name a
// line; set-state, add-day and remove-day change the firm's state and days.
int runHolidays(const AccountCommandInput &input);
