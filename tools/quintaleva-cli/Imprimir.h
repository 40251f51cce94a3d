#pragma once

#include <string>
#include <vector>

// quintaleva-cli imprimir ARCHIVO SERIE FOLIO --formato ID --pdf SALIDA.pdf: a stored document
// through the same page drawing as the form's print command, into a PDF file. With --ticket
// instead of --formato and --pdf: the document on the configured receipt printer, through the same
// code as the program, with the settings the program reads. 0 on success.
int Imprimir(int argc, char** argv, const std::vector<std::string>& args);
