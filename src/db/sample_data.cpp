// Sample master data for a fresh embedded database: a small neighbourhood
// store's sub-categories, items, suppliers and members.  Generated from fixed
// lists with a fixed-seed generator, so every run gives the same data.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "db/embedded_database.h"
#include "db/query.h"
#include "db/schema.h"
#include "text/regional.h"

namespace tabrin {
namespace {

class TSampleRandom {
 public:
  explicit TSampleRandom(std::uint32_t seed) : state_(seed) {}
  // 0 <= result < bound
  int Below(int bound) {
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<int>((state_ >> 8) % static_cast<std::uint32_t>(bound));
  }
  template <typename T, std::size_t N>
  const T& Pick(const std::array<T, N>& items) {
    return items[static_cast<std::size_t>(Below(static_cast<int>(N)))];
  }

 private:
  std::uint32_t state_;
};

std::string Digits(int value, int width) {
  std::string text = std::to_string(value);
  return std::string(static_cast<std::size_t>(width > static_cast<int>(text.size()) ? width - static_cast<int>(text.size()) : 0), '0') + text;
}

// EAN check digit over the given digits (weights 3,1,3,... from the right).
char EanCheckDigit(std::string_view digits) {
  int sum = 0;
  bool triple = true;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it, triple = !triple) sum += (*it - '0') * (triple ? 3 : 1);
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

struct TCategory {
  std::string_view name;
  std::array<std::string_view, 5> products;
  std::array<std::string_view, 3> specs;
  std::string_view unit;
  int basePrice;
};

const std::array<TCategory, 20> kCategories = {{
    {"飲料", {"烏龍茶", "綠茶", "柳橙汁", "運動飲料", "蘋果西打"}, {"600ml", "1250ml", "330ml"}, "瓶", 25},
    {"零食", {"洋芋片", "海苔捲", "玉米脆片", "蝦味先", "魷魚絲"}, {"90g", "150g", "45g"}, "包", 35},
    {"泡麵", {"牛肉麵", "肉燥麵", "鮮蝦麵", "香菇雞麵", "麻辣鍋麵"}, {"5入", "單包", "碗裝"}, "包", 20},
    {"餅乾", {"蘇打餅乾", "夾心酥", "蛋捲", "牛奶餅", "喜餅禮盒"}, {"300g", "12入", "180g"}, "盒", 45},
    {"糖果", {"牛奶糖", "水果軟糖", "薄荷糖", "花生糖", "黑糖"}, {"100g", "250g", "罐裝"}, "包", 30},
    {"乳製品", {"鮮乳", "優酪乳", "調味乳", "起司片", "布丁"}, {"936ml", "200ml", "3入"}, "瓶", 40},
    {"冷凍食品", {"水餃", "蔥油餅", "湯圓", "雞塊", "鍋貼"}, {"1kg", "500g", "20入"}, "包", 90},
    {"調味料", {"醬油", "烏醋", "香油", "沙茶醬", "辣椒醬"}, {"500ml", "1L", "250g"}, "瓶", 55},
    {"米糧", {"池上米", "糙米", "糯米", "燕麥片", "綠豆"}, {"3kg", "1kg", "600g"}, "包", 120},
    {"罐頭", {"鮪魚罐", "花生麵筋", "玉米粒", "肉醬罐", "八寶粥"}, {"3入", "單罐", "170g"}, "罐", 35},
    {"清潔用品", {"洗衣精", "洗碗精", "漂白水", "地板清潔劑", "柔軟精"}, {"2000ml", "1000ml", "補充包"}, "瓶", 110},
    {"衛生紙", {"抽取式衛生紙", "廚房紙巾", "濕紙巾", "平版衛生紙", "面紙"}, {"12包", "6捲", "80抽"}, "串", 150},
    {"個人護理", {"洗髮精", "沐浴乳", "牙膏", "牙刷", "洗面乳"}, {"700ml", "150g", "2入"}, "瓶", 130},
    {"文具", {"原子筆", "筆記本", "膠帶", "立可帶", "資料夾"}, {"3支", "A5", "單入"}, "個", 25},
    {"電池", {"鹼性電池", "水銀電池", "充電電池", "碳鋅電池", "鋰電池"}, {"3號4入", "4號4入", "單顆"}, "卡", 80},
    {"酒類", {"台灣啤酒", "紹興酒", "米酒", "高粱酒", "梅酒"}, {"330ml", "600ml", "750ml"}, "瓶", 60},
    {"茶葉", {"高山茶", "東方美人", "包種茶", "紅茶包", "鐵觀音"}, {"150g", "50入", "300g"}, "盒", 250},
    {"咖啡", {"即溶咖啡", "咖啡豆", "濾掛咖啡", "拿鐵", "三合一咖啡"}, {"10入", "250g", "30入"}, "盒", 150},
    {"早餐穀片", {"玉米片", "麥片", "燕麥脆片", "可可球", "穀物棒"}, {"300g", "500g", "6入"}, "盒", 120},
    {"寵物用品", {"狗飼料", "貓飼料", "貓砂", "寵物零食", "寵物罐頭"}, {"1.5kg", "10L", "85g"}, "包", 200},
}};

const std::array<std::string_view, 12> kBrands = {"金興", "大福", "永盛", "樂活", "好味", "福記",
                                                  "佳美", "青山", "旺來", "康寧", "鮮采", "喜年"};
const std::array<std::string_view, 20> kSupplierNames = {
    "金興食品有限公司", "大福貿易股份有限公司", "永盛實業有限公司", "樂活生活用品行", "好味食品廠",
    "福記商行", "佳美企業社", "青山農產有限公司", "旺來食品股份有限公司", "康寧日用品有限公司",
    "鮮采冷凍食品公司", "喜年製菓有限公司", "東元文具行", "南光電池有限公司", "玉山酒品經銷商",
    "阿里山茶業合作社", "晨光咖啡烘焙坊", "北港米糧行", "和平清潔用品公司", "安心寵物用品行"};
const std::array<std::string_view, 20> kSurnames = {"陳", "林", "黃", "張", "李", "王", "吳", "劉", "蔡", "楊",
                                                    "許", "鄭", "謝", "郭", "洪", "曾", "邱", "廖", "賴", "周"};
const std::array<std::string_view, 16> kGivenNames = {"志明", "淑芬", "家豪", "雅婷", "俊傑", "怡君", "建宏", "美玲",
                                                      "冠宇", "佩珊", "宗翰", "欣怡", "承恩", "詩涵", "柏翰", "郁婷"};
const std::array<std::string_view, 10> kCities = {"台北市", "新北市", "桃園市", "台中市", "台南市",
                                                  "高雄市", "新竹市", "基隆市", "嘉義市", "宜蘭縣"};
const std::array<std::string_view, 10> kRoads = {"中山路", "中正路", "民生路", "復興路", "忠孝東路",
                                                 "仁愛路", "信義路", "和平東路", "建國北路", "光復路"};
const std::array<std::string_view, 10> kAreaCodes = {"02", "02", "03", "04", "06", "07", "03", "02", "05", "03"};

std::string Address(TSampleRandom& random, int cityIndex) {
  return std::string(kCities[static_cast<std::size_t>(cityIndex)]) + std::string(random.Pick(kRoads)) +
         std::to_string(1 + random.Below(3)) + "段" + std::to_string(1 + random.Below(300)) + "號";
}

std::string Phone(TSampleRandom& random, int cityIndex) {
  return std::string(kAreaCodes[static_cast<std::size_t>(cityIndex)]) + "-" + Digits(2000 + random.Below(7999), 4) + "-" +
         Digits(random.Below(10000), 4);
}

// A Taiwanese identity number with a valid check digit.
std::string IdentityNumber(TSampleRandom& random, bool male) {
  static constexpr std::string_view kLetters = "ABCDEFGHJKLMNPQRSTUVXYWZIO";
  const int letterIndex = random.Below(8);
  const int letterValue = 10 + letterIndex;
  std::string digits = std::string(1, male ? '1' : '2') + Digits(random.Below(10000000), 7);
  int sum = letterValue / 10 + (letterValue % 10) * 9;
  for (int i = 0; i < 8; ++i) sum += (digits[static_cast<std::size_t>(i)] - '0') * (8 - i);
  const int check = (10 - sum % 10) % 10;
  return std::string(1, kLetters[static_cast<std::size_t>(letterIndex)]) + digits + static_cast<char>('0' + check);
}

double Round1(double value) { return static_cast<double>(static_cast<long long>(value * 10 + 0.5)) / 10; }

void AddCategories(TConnection& connection) {
  TQuery query(schema::DBCLSQuery(), connection);
  query.Open();
  for (int i = 0; i < static_cast<int>(kCategories.size()); ++i) {
    query.Append();
    query.FieldByName("ClsNo").SetAsString(Digits(i + 1, 3));
    query.FieldByName("ClsName").SetAsString(kCategories[static_cast<std::size_t>(i)].name);
    query.FieldByName("Flag").SetAsBoolean(false);
    query.FieldByName("Void").SetAsString("");
    query.Post();
  }
}

void AddSuppliers(TConnection& connection, TSampleRandom& random) {
  TQuery query(schema::DBSupplierQuery(), connection);
  query.Open();
  for (int i = 0; i < static_cast<int>(kSupplierNames.size()); ++i) {
    const int city = random.Below(static_cast<int>(kCities.size()));
    query.Append();
    query.FieldByName("FactNo").SetAsString(Digits(i + 1, 4));
    query.FieldByName("FactName").SetAsString(kSupplierNames[static_cast<std::size_t>(i)]);
    query.FieldByName("Contact").SetAsString(std::string(random.Pick(kSurnames)) + std::string(random.Pick(kGivenNames)));
    query.FieldByName("OrderTel").SetAsString(Phone(random, city));
    query.FieldByName("FaxNo").SetAsString(Phone(random, city));
    query.FieldByName("TelNo1").SetAsString(Phone(random, city));
    query.FieldByName("TelNo2").SetAsString(random.Below(2) ? Phone(random, city) : "");
    query.FieldByName("Addr").SetAsString(Address(random, city));
    query.FieldByName("Responser").SetAsString(std::string(random.Pick(kSurnames)) + std::string(random.Pick(kGivenNames)));
    query.FieldByName("DisRate").SetAsFloat(random.Below(3) == 0 ? 0.95 : 1.0);
    query.FieldByName("TradeCd").SetAsString(random.Below(2) ? "月結30天" : "貨到付款");
    query.FieldByName("TaxCd").SetAsString("應稅");
    query.FieldByName("Notes").SetAsString(random.Below(3) == 0 ? "每週二、五送貨" : "");
    query.Post();
  }
}

void AddItems(TConnection& connection, TSampleRandom& random) {
  TQuery query(schema::OrvellaItemQuery(), connection);
  query.Open();
  const double firstDay = EncodeDateTime({2023, 1, 3});
  for (int i = 0; i < 200; ++i) {
    const int categoryIndex = i % static_cast<int>(kCategories.size());
    const TCategory& category = kCategories[static_cast<std::size_t>(categoryIndex)];
    const std::string raw = Digits(100001 + i * 37, 6);
    const std::string itemNo = raw + "0" + EanCheckDigit(raw + "0");
    const std::string barcode12 = "471" + Digits(1000 + random.Below(9000), 4) + Digits(10000 + i * 7, 5);
    const std::string product(category.products[static_cast<std::size_t>((i / 20) % 5)]);
    const double cost = category.basePrice * (0.6 + random.Below(80) / 100.0);
    const double price = static_cast<double>(static_cast<long long>(cost * 1.35) + 1);

    query.Append();
    query.FieldByName("ItemNo").SetAsString(itemNo);
    query.FieldByName("ItemMark").SetAsString(barcode12 + EanCheckDigit(barcode12));
    query.FieldByName("SelfCode").SetAsString(Digits(i + 1, 5));
    query.FieldByName("PtName").SetAsString(std::string(random.Pick(kBrands)) + product);
    query.FieldByName("PtSpec").SetAsString(category.specs[static_cast<std::size_t>(random.Below(3))]);
    query.FieldByName("SupplierNo").SetAsString(Digits(categoryIndex + 1, 4));
    query.FieldByName("ImTax").SetAsString(categoryIndex == 8 ? "免稅" : "應稅");
    query.FieldByName("ImUpDate").SetAsDateTime(firstDay + random.Below(600));
    query.FieldByName("UniPrice").SetAsFloat(Round1(cost));
    query.FieldByName("SUnit").SetAsString(category.unit);
    query.FieldByName("RegSafeQty").SetAsInteger(10 + random.Below(5) * 5);
    query.FieldByName("EmgSafeQty").SetAsInteger(5 + random.Below(4) * 5);
    query.FieldByName("StkQty").SetAsInteger(random.Below(240));
    query.FieldByName("ShelfNo").SetAsString(std::string(1, static_cast<char>('A' + categoryIndex % 8)) +
                                             Digits(1 + random.Below(20), 2));
    query.FieldByName("AvgCost").SetAsFloat(Round1(cost * (0.97 + random.Below(7) / 100.0)));
    query.FieldByName("Special").SetAsInteger(categoryIndex + 1);
    query.FieldByName("Price").SetAsFloat(price);
    query.FieldByName("MemPrice").SetAsFloat(static_cast<double>(static_cast<long long>(price * 0.95)));
    query.FieldByName("VipPrice").SetAsFloat(static_cast<double>(static_cast<long long>(price * 0.9)));
    query.FieldByName("HealthTax").SetAsFloat(0);
    query.Post();
  }
}

void AddCustomers(TConnection& connection, TSampleRandom& random) {
  static constexpr std::array<std::string_view, 4> kLevels = {"一般會員", "一般會員", "VIP會員", "金卡會員"};
  TQuery query(schema::DBCustQuery(), connection);
  query.Open();
  for (int i = 0; i < 50; ++i) {
    const bool male = random.Below(2) == 0;
    const int city = random.Below(static_cast<int>(kCities.size()));
    query.Append();
    query.FieldByName("CustNo").SetAsString("C" + Digits(i + 1, 7));
    query.FieldByName("IdNo").SetAsString(IdentityNumber(random, male));
    query.FieldByName("Name").SetAsString(std::string(random.Pick(kSurnames)) + std::string(random.Pick(kGivenNames)));
    query.FieldByName("Sex").SetAsString(male ? "男" : "女");
    query.FieldByName("TelNo").SetAsString("09" + Digits(random.Below(100), 2) + "-" + Digits(random.Below(1000), 3) + "-" +
                                           Digits(random.Below(1000), 3));
    query.FieldByName("Address").SetAsString(Address(random, city));
    query.FieldByName("DisCount").SetAsString(random.Pick(kLevels));
    query.Post();
  }
}

}  // namespace

void FillSampleData(TConnection& connection) {
  TSampleRandom random(20240501u);
  connection.BeginTransaction();
  try {
    AddCategories(connection);
    AddSuppliers(connection, random);
    AddItems(connection, random);
    AddCustomers(connection, random);
    connection.Commit();
  } catch (...) {
    if (connection.InTransaction()) connection.Rollback();
    throw;
  }
}

}  // namespace tabrin
