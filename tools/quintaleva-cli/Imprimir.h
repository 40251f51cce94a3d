#pragma once

#include <string>
#include <vector>

// quintaleva-cli imprimir ARCHIVO SERIE FOLIO --formato ID --pdf SALIDA.pdf: a stored document
// through the same page drawing as the form's print command, into a PDF file. 0 on success.
int Imprimir(int argc, char** argv, const std::vector<std::string>& args);
