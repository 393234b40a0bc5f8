// Dropping every translation of the dynamic translator.
// Declared here for the floors that call it; defined by the translator (translator/emat.cpp).
#pragma once

// Empties every effective-address map and drops every translated page of every machine.
void EMAT_ZAP_(const char *caller, const char *file, int line);
