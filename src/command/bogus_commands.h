// The paravirtual device and halt commands: the tables "bogus" (sub-tables "disk" and "net") and
// "bogushalt" that every machine and chip table carries (builders declared in
// command/later_tables.h), and the table "Common BDS Config", which fills a caller's disk
// settings word by word (its handlers receive the settings record in place of the selector).
#pragma once

struct SimCmdTable;

// The last "Common BDS Config" table built.
extern SimCmdTable *BDS_config_table;
SimCmdTable *build_BDS_config_table(void *argument);
