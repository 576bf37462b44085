#include "config/site_config.h"

#include "config/program_folder.h"

namespace tabrin {

namespace {
constexpr const char* kBase = "Base Info";
constexpr const char* kSetting = "Setting";
constexpr const char* kBarcode = "Barcode";
constexpr const char* kInv = "INV";
}  // namespace

TConfig::TConfig(std::string fileName) : TIniFile(std::move(fileName)) {
  Address = ReadString(kBase, "Address", site_defaults::kAddress);
  AutoCompNo = ReadBool(kSetting, "AutoCompNo", true);
  InVoicePrintType = ReadBool(kSetting, "InVoicePrintType", true);
  AutoInVoicePrint = ReadBool(kSetting, "AutoInVoicePrint", true);
  BarCodeType = ReadInteger(kSetting, "BarCodeType", 0);
  BackupDir = ReadString(kSetting, "BackupDir", "");
  AvgCost = ReadBool(kSetting, "AvgCost", false);
  OffsetX = ReadInteger(kBarcode, "OffsetX", 5);
  OffsetY = ReadInteger(kBarcode, "OffsetY", 30);
  CashDot = ReadInteger(kSetting, "CashDot", 0);
  ChangePrice = ReadBool(kSetting, "ChangePrice", true);
  ClerkSel = ReadBool(kSetting, "ClerkSel", false);
  Company = ReadString(kBase, "Company", site_defaults::kCompany);
  CreateProduct = ReadBool(kSetting, "CreateProduct", true);
  CustCollectDay = ReadInteger(kSetting, "CustCollectDay", 180);
  CustDetailDay = ReadInteger(kSetting, "CustDetailDay", 180);
  CustNum = ReadInteger(kInv, "CustNum", 0);
  Date = ReadString(kSetting, "Date", "0");
  Discount = ReadBool(kSetting, "Discount", true);
  CenterPrint = ReadBool(kSetting, "CenterPrint", true);
  DisplayCH = ReadBool(kSetting, "DisplayCH", true);
  Fax = ReadString(kBase, "Fax", site_defaults::kFax);
  INVAddress1 = ReadString(kInv, "INVAddress1", "");
  INVAddress2 = ReadString(kInv, "INVAddress2", "");
  Cnt = ReadInteger(kInv, "Cnt", 250);
  INVCompanyName = ReadString(kInv, "INVCompanyName", "");
  INVFooter1 = ReadString(kInv, "INVFooter1", "");
  INVFooter2 = ReadString(kInv, "INVFooter2", "");
  INVMark = ReadString(kInv, "INVMark", "AA");
  No = ReadString(kInv, "No", "01");
  Num = ReadString(kInv, "Num", "00000000");
  INVPresidentNo = ReadString(kInv, "INVPresidentNo", "");
  INVTEL = ReadString(kInv, "INVTEL", "");
  Path = ReadString(kSetting, "Path", ProgramFolder());
  PayType = ReadString(kSetting, "PayType", "現金");
  Person = ReadString(kBase, "Person", site_defaults::kPerson);
  PriceDiscount = ReadBool(kSetting, "PriceDiscount", true);
  PriceDot = ReadInteger(kSetting, "PriceDot", 0);
  PrintCH = ReadBool(kSetting, "PrintCH", true);
  PrintCustNum = ReadBool(kSetting, "PrintCustNum", false);
  PrintInvoice = ReadBool(kSetting, "PrintInvoice", false);
  PrintOtcA5 = ReadBool(kSetting, "PrintOtcA5", false);
  PrintTax = ReadBool(kSetting, "PrintTax", true);
  QueryMember = ReadInteger(kSetting, "QueryMember", 0);
  SaleMember = ReadString(kSetting, "SaleMember", "");
  Sheet = ReadInteger(kSetting, "Sheet", 3);
  ShowKeybd = ReadBool(kSetting, "ShowKeybd", false);
  Stamp = ReadBool(kSetting, "Stamp", false);
  Tax = ReadFloat(kSetting, "Tax", 0.05);
  Tel = ReadString(kBase, "Tel", site_defaults::kTel);
  Title = ReadString(kBase, "Title", site_defaults::kTitle);
  UsePayCash = ReadInteger(kSetting, "UsePayCash", 0);
  UsePrice = ReadInteger(kSetting, "UsePrice", 0);
  Version = ReadString(kBase, "Version", "3.50");
}

const TConfig& SiteConfig() {
  static const TConfig config(ProgramFile("Config.ini"));
  return config;
}

}  // namespace tabrin
