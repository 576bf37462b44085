#pragma once
// Config.ini: the site configuration of the point-of-sale installation.  All
// keys are read once when the object is made; this program itself only uses
// Title (the application title), the rest is kept for the store's other tools.
#include <string>

#include "config/ini_file.h"

namespace tabrin {

// Neutral identity texts of the product's vendor, used when Config.ini lacks them.
namespace site_defaults {
inline constexpr const char* kTitle = "零售門市後台資料匯入匯出系統";
inline constexpr const char* kCompany = "範例資訊股份有限公司";
inline constexpr const char* kAddress = "範例市範例區示範路100號";
inline constexpr const char* kPerson = "王小明";
inline constexpr const char* kTel = "(00)0000-0000";
inline constexpr const char* kFax = "(00)0000-0001";
}  // namespace site_defaults

class TConfig : public TIniFile {
 public:
  explicit TConfig(std::string fileName);

  std::string Address;
  bool AutoCompNo;
  bool InVoicePrintType;
  bool AutoInVoicePrint;
  int BarCodeType;
  std::string BackupDir;
  bool AvgCost;
  int OffsetX;
  int OffsetY;
  int CashDot;
  bool ChangePrice;
  bool ClerkSel;
  std::string Company;
  bool CreateProduct;
  int CustCollectDay;
  int CustDetailDay;
  int CustNum;
  std::string Date;
  bool Discount;
  bool CenterPrint;
  bool DisplayCH;
  std::string Fax;
  std::string INVAddress1;
  std::string INVAddress2;
  int Cnt;
  std::string INVCompanyName;
  std::string INVFooter1;
  std::string INVFooter2;
  std::string INVMark;
  std::string No;
  std::string Num;
  std::string INVPresidentNo;
  std::string INVTEL;
  std::string Path;
  std::string PayType;
  std::string Person;
  bool PriceDiscount;
  int PriceDot;
  bool PrintCH;
  bool PrintCustNum;
  bool PrintInvoice;
  bool PrintOtcA5;
  bool PrintTax;
  int QueryMember;
  std::string SaleMember;
  int Sheet;
  bool ShowKeybd;
  bool Stamp;
  double Tax;
  std::string Tel;
  std::string Title;
  int UsePayCash;
  int UsePrice;
  std::string Version;
};

// The process-wide instance, read from Config.ini in the program folder on
// first use (call it once at start-up, after the program folder is known).
const TConfig& SiteConfig();

}  // namespace tabrin
