#pragma once

#include "db/OleDate.h"

#include <string>
#include <vector>

class CRepData;
class Database;

// The article catalogue ("- CATALOGO DE ARTICULOS -"): key, description, price and net price,
// ordered by description or by key. False with the operator's message when there is no article.
bool BuildArticlesCatalog(Database& db, bool byDescription, OleDate today, CRepData& data, std::string& message);

// The customer fields the operator may choose for the customer catalogue, in table order, without
// the identifier: Nombre, Dom1, Dom2, Dom3, RFC, Telefono, Clasificacion.
std::vector<std::string> CustomerReportFields();

// The customer catalogue ("- CATALOGO DE CLIENTES -") with `fields` as its columns, in the order
// given. Only names from CustomerReportFields() reach the SQL; others are refused as if none had
// been chosen. False with the operator's message when no field is chosen or there is no customer;
// `plainBox` tells that the message goes in the platform's plain message box.
bool BuildCustomersCatalog(Database& db, const std::vector<std::string>& fields, OleDate now, CRepData& data,
                           std::string& message, bool* plainBox = nullptr);

inline constexpr const char* kArticlesTitle = "- CATALOGO DE ARTICULOS -";
inline constexpr const char* kCustomersTitle = "- CATALOGO DE CLIENTES -";
