// make_sample.cpp: makes the sample database that ships in the application folder
// (Samples/sample.mdb): customers, products and orders with accents, quotes, long memos and
// repeated values, so that a first-time user can try every feature on it.
// Usage: make_sample OUTPUT.mdb   (the output must not exist)
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "jet/create/database_creator.h"

namespace {

using jet::ColumnSpec;
using jet::ColumnType;
using jet::Value;

Value num(std::int64_t v) {
  Value x;
  x.isNull = false;
  x.integer = v;
  return x;
}
Value money(std::int64_t cents) { return num(cents * 100); }  // stored in 1/10,000
Value date(double days) {
  Value x;
  x.isNull = false;
  x.real = days;
  return x;
}
Value str(const std::string& s) {
  Value x;
  x.isNull = false;
  x.text = s;
  return x;
}
Value flag(bool b) {
  Value x;
  x.isNull = false;
  x.boolean = b;
  return x;
}
Value none() { return Value{}; }

struct Customer {
  const char* company;
  const char* contact;
  const char* city;
  const char* country;
  const char* phone;
};

const Customer kCustomers[] = {
    {"Alfreds Futterkiste", "Maria Anders", "Berlin", "Germany", "030-0074321"},
    {"Ana Trujillo Emparedados y helados", "Ana Trujillo", "México D.F.", "Mexico", "(5) 555-4729"},
    {"Antonio Moreno Taquería", "Antonio Moreno", "México D.F.", "Mexico", "(5) 555-3932"},
    {"Around the Horn", "Thomas Hardy", "London", "UK", "(171) 555-7788"},
    {"Berglunds snabbköp", "Christina Berglund", "Luleå", "Sweden", "0921-12 34 65"},
    {"Blondel père et fils", "Frédérique Citeaux", "Strasbourg", "France", "88.60.15.31"},
    {"Bólido Comidas preparadas", "Martín Sommer", "Madrid", "Spain", "(91) 555 22 82"},
    {"Bon app'", "Laurence Lebihan", "Marseille", "France", "91.24.45.40"},
    {"Café \"Le Zinc\"", "Zoë O'Brien", "Paris", "France", "01.42.34.56.78"},
    {"Chop-suey Chinese", "Yang Wang", "Bern", "Switzerland", "0452-076545"},
    {"Comércio Mineiro", "Pedro Afonso", "São Paulo", "Brazil", "(11) 555-7647"},
    {"Drachenblut Delikatessen", "Sven Ottlieb", "Aachen", "Germany", "0241-039123"},
    {"Du monde entier", "Janine Labrune", "Nantes", "France", "40.67.88.88"},
    {"Folies gourmandes", "Martine Rancé", "Lille", "France", "20.16.10.16"},
    {"Königlich Essen", "Philip Cramer", "Brandenburg", "Germany", "0555-09876"},
    {"La maison d'Asie", "Annette Roulet", "Toulouse", "France", "61.77.61.10"},
    {"Łódź Spożywczy", "Zbyszek Piestrzeniewicz", "Łódź", "Poland", "(42) 555 12 34"},
    {"Ελληνικά Τρόφιμα", "Ελένη Παπαδοπούλου", "Αθήνα", "Greece", "210 555 0199"},
    {"東京フーズ", "佐藤 花子", "東京", "Japan", "03-5555-0101"},
    {"Paris spécialités", "Marie Bertrand", "Paris", "France", "(1) 42.34.22.66"},
};

struct Product {
  const char* name;
  const char* category;
  std::int64_t cents;
  std::int64_t stock;
};

const Product kProducts[] = {
    {"Chai", "Beverages", 1800, 39},
    {"Chang", "Beverages", 1900, 17},
    {"Aniseed Syrup", "Condiments", 1000, 13},
    {"Chef Anton's Cajun Seasoning", "Condiments", 2200, 53},
    {"Grandma's Boysenberry Spread", "Condiments", 2500, 120},
    {"Crème brûlée \"maison\"", "Desserts", 1250, 0},
    {"Pâté chinois", "Meat/Poultry", 2400, 115},
    {"Gumbär Gummibärchen", "Confections", 3123, 15},
    {"Røgede sild", "Seafood", 950, 5},
    {"Queso Manchego La Pastora", "Dairy Products", 3800, 86},
    {"Côte de Blaye", "Beverages", 26350, 17},
    {"Tarte au sucre", "Confections", 4930, 17},
    {"Raclette Courdavault", "Dairy Products", 5500, 79},
    {"Thé vert \"Sencha\" 緑茶", "Beverages", 1500, 40},
    {"Ελαιόλαδο (olive oil)", "Condiments", 2100, 64},
};

const char* kStatuses[] = {"Shipped", "Shipped", "Pending", "Shipped", "Cancelled", "Back-ordered"};

std::string longNote(int paragraphs) {
  std::string out;
  for (int i = 0; i < paragraphs; ++i) {
    out += "Paragraph " + std::to_string(i + 1) +
           ": the customer asked that every delivery be announced by telephone the day before, "
           "that invoices name the \"purchasing department\" rather than a person, and that "
           "the café's back entrance (rue de l'Église) be used before 10 o'clock. ";
  }
  return out;
}

// Tables are indexed as Access users index them: a primary key on the Id, plus the names, codes
// and keys that forms and queries look up.
jet::IndexSpec primaryKey(const std::string& column) { return {"", {{column}}, true}; }
jet::IndexSpec indexOn(const std::string& column) { return {column, {{column}}}; }

jet::Status customers(jet::DatabaseCreator& db) {
  JET_TRY(db.addTable(jet::TableSpec{
      "Customers",
      {{"CustomerID", ColumnType::kLong},
       {"CompanyName", ColumnType::kText, 60},
       {"ContactName", ColumnType::kText, 50},
       {"City", ColumnType::kText, 40},
       {"Country", ColumnType::kText, 30},
       {"Phone", ColumnType::kText, 24},
       {"Active", ColumnType::kBoolean},
       {"CustomerSince", ColumnType::kDateTime},
       {"Notes", ColumnType::kMemo}},
      {primaryKey("CustomerID"), indexOn("CompanyName"), indexOn("City"), indexOn("Country")}}));
  std::int64_t id = 1;
  for (const Customer& c : kCustomers) {
    Value notes = id % 4 == 1   ? str(longNote(static_cast<int>(id) % 3 * 10 + 2))
                  : id % 4 == 2 ? none()
                  : id % 4 == 3 ? str("")
                                : str("Prefers e-mail. Contact: " + std::string(c.contact) + ".");
    JET_TRY(db.insertRow({num(id), str(c.company), str(c.contact), str(c.city), str(c.country),
                          str(c.phone), flag(id % 5 != 0),
                          date(36000.0 + 97.0 * static_cast<double>(id)), notes}));
    ++id;
  }
  return {};
}

jet::Status products(jet::DatabaseCreator& db) {
  JET_TRY(db.addTable(
      jet::TableSpec{"Products",
                     {{"ProductID", ColumnType::kLong},
                      {"ProductName", ColumnType::kText, 60},
                      {"Category", ColumnType::kText, 30},
                      {"UnitPrice", ColumnType::kCurrency},
                      {"UnitsInStock", ColumnType::kInteger},
                      {"Discontinued", ColumnType::kBoolean},
                      {"Description", ColumnType::kMemo}},
                     {primaryKey("ProductID"), indexOn("ProductName"), indexOn("Category")}}));
  std::int64_t id = 1;
  for (const Product& p : kProducts) {
    std::string description = std::string(p.name) + " (" + p.category + "). " +
                              (id % 3 == 0 ? longNote(3) : "Sold by the case of 12.");
    JET_TRY(db.insertRow({num(id), str(p.name), str(p.category), money(p.cents), num(p.stock),
                          flag(p.stock == 0), str(description)}));
    ++id;
  }
  return {};
}

jet::Status orders(jet::DatabaseCreator& db) {
  JET_TRY(
      db.addTable(jet::TableSpec{"Orders",
                                 {{"OrderID", ColumnType::kLong},
                                  {"CustomerID", ColumnType::kLong},
                                  {"ProductID", ColumnType::kLong},
                                  {"OrderDate", ColumnType::kDateTime},
                                  {"Quantity", ColumnType::kInteger},
                                  {"ShipCity", ColumnType::kText, 40},
                                  {"Status", ColumnType::kText, 20},
                                  {"Comments", ColumnType::kMemo}},
                                 {primaryKey("OrderID"), indexOn("CustomerID"),
                                  indexOn("ProductID"), indexOn("ShipCity"), indexOn("Status")}}));
  const std::size_t customers = std::size(kCustomers);
  const std::size_t products = std::size(kProducts);
  for (std::int64_t id = 1; id <= 120; ++id) {
    std::size_t c = static_cast<std::size_t>(id * 7) % customers;
    std::size_t p = static_cast<std::size_t>(id * 11) % products;
    Value comment = id % 10 == 0  ? str(longNote(12))
                    : id % 3 == 0 ? str("Deliver to \"Reception\"; call ahead.")
                                  : none();
    JET_TRY(db.insertRow(
        {num(10248 + id), num(static_cast<std::int64_t>(c) + 1),
         num(static_cast<std::int64_t>(p) + 1), date(45000.0 + static_cast<double>(id) * 1.5),
         num(1 + id % 24), str(kCustomers[c].city),
         str(kStatuses[static_cast<std::size_t>(id) % std::size(kStatuses)]), comment}));
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  const std::string output = argc == 2 ? argv[1] : "";
  if (output.size() < 5 || output[0] == '-' || output.compare(output.size() - 4, 4, ".mdb") != 0) {
    std::fprintf(stderr, "usage: make_sample OUTPUT.mdb\n");
    return 2;
  }
  jet::CreateOptions options;
  options.templatePath = std::string(FIELDMEND_TEMPLATE_DIR) + "/empty-jet4.mdb";
  options.createdAt = 46000.5;  // fixed, so that the sample is the same on every build
  auto db = jet::DatabaseCreator::create(argv[1], options);
  jet::Status s = db.ok() ? customers(**db) : db.status();
  if (s.ok()) s = products(**db);
  if (s.ok()) s = orders(**db);
  if (s.ok()) s = (*db)->finish();
  if (!s.ok()) {
    std::fprintf(stderr, "make_sample: %s\n", s.description().c_str());
    return 1;
  }
  return 0;
}
