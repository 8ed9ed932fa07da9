#pragma once

struct AccountCommandInput;

// `tagwerk-cli report account` (per employee and month: target, worked,
// credited absence, difference, balance, vacation) and `report missing`
// (the days a booking is missing), as text or CSV.
int runAccountReport(const AccountCommandInput &input);
