#pragma once
// What several benchmarks share: a wall clock, the process's peak memory, and
// an item table of believable rows in the 19 columns of the item export.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/value.h"

namespace tabrin::bench {

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

inline long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Appends `rows` items in one transaction.
inline void FillItems(TConnection& connection, int rows) {
  const char* names[] = {"烏龍茶", "礦泉水", "洋芋片", "鮮奶", "咖啡", "泡麵", "餅乾", "果汁", "啤酒", "牙膏"};
  const char* units[] = {"瓶", "包", "盒", "罐", "條"};
  connection.BeginTransaction();
  const std::string sql =
      "INSERT INTO Item (ItemNo, ItemMark, SelfCode, PtName, PtSpec, SupplierNo, ImTax, ImUpDate, UniPrice, SUnit,"
      " RegSafeQty, EmgSafeQty, StkQty, ShelfNo, AvgCost, Special, Price, MemPrice, VipPrice)"
      " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
  for (int i = 0; i < rows; ++i) {
    char code[16];
    std::snprintf(code, sizeof code, "%08d", 10000000 + i);
    const double cost = 10 + (i % 490) * 0.75;
    std::vector<TValue> values = {
        TValue::Text(code),
        TValue::Text("471" + std::to_string(1000000000 + i)),
        TValue::Text(std::to_string(i)),
        TValue::Text(std::string(names[i % 10]) + " " + std::to_string(i % 97)),
        TValue::Text(std::to_string(100 + i % 900) + "ml"),
        TValue::Text(std::to_string(1000 + i % 50)),
        TValue::Text(i % 7 == 0 ? "免稅" : "應稅"),
        TValue::DateTime(38000 + i % 3000),
        TValue::Float(cost),
        TValue::Text(units[i % 5]),
        TValue::Integer(i % 50),
        TValue::Integer(i % 20),
        TValue::Integer(i % 5000),
        TValue::Text(std::to_string(i % 100)),
        TValue::Float(cost * 0.98),
        TValue::Integer(i % 3),
        TValue::Float(cost * 1.3),
        TValue::Float(cost * 1.2),
        TValue::Float(cost * 1.15),
    };
    connection.Execute(sql, values);
  }
  connection.Commit();
}

}  // namespace tabrin::bench
