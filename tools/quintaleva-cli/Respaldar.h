#pragma once

#include <string>
#include <vector>

// quintaleva-cli respaldar ORIGEN CARPETA [--conservar N]: a dated, checked backup of ORIGEN in
// CARPETA, keeping the N newest backups of that database (CDatabaseBackup). 0 on success;
// otherwise 1 with the operator's message, and nothing deleted.
int RespaldarCommand(const std::vector<std::string>& args);
