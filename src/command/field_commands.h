// The "field" command table of a named bit-field value (runtime/field_val.h): "display" shows the
// value, single fields or a listing of every field; "set" stores numbers into fields by name.
#pragma once

struct FieldVal;
struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

// Creates the table "field" with "display" and "set" (any number of words, revealed, fv as the
// object) and attaches it to the parent as the sub-table "field". Returns the new table, or null
// when the parent already has an entry "field" (the new table is then released).
SimCmdTable *Field_Val_TCL_Commands(FieldVal *fv, SimCmdTable *parent);

// The two handlers (a display or set override of the value replaces them). Output and error
// texts go to the interpreter's result; 0 is success, 1 failure.
int TCL_Display(Selector *selector, void *fv, Tcl_Interp *interpreter, int argc, char **argv);
int TCL_Set(Selector *selector, void *fv, Tcl_Interp *interpreter, int argc, char **argv);
