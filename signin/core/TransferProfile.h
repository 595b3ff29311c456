#pragma once

// How many connections a transfer may use at once: key "Connections" of section "Transfer" in
// the settings file, 1 to 10 (values beyond are taken as the nearest bound), 4 when missing or
// not a number. The program never writes it.
int connectionsSetting();
