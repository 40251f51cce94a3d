#pragma once

#include <cstdint>

class Database;
class QWidget;

// The printed receipt of a payment's stamped complement: the format chosen (the ready
// "Recibo de pago electrónico" proposed), printed on the page printer or previewed.
void PrintPaymentReceipt(Database& db, std::int32_t idDocumento, std::int32_t numPago, QWidget* parent);
