// A garage to seed the user database of the end-to-end tests with: cars, plans, services, fuel
// and odometer readings, written as SQL. Dates are the database's day numbers.
export function day(text) {
  const [y, m, d] = text.split("-").map(Number);
  return (Date.UTC(y, m - 1, d) - Date.UTC(1899, 11, 30)) / 86400000;
}

const q = (text) => "'" + String(text).replaceAll("'", "''") + "'";

// A car with its own plan. items: [{ item, action, months, miles, done }] (done: the date of its
// last service, or none). readings: [[date, odometer]]. fuel: [[date, odometer, distance, volume,
// cost, fillUp]]. costs: [[date, cost]] as services.
export function car({ id, name, year = 2019, make = "Ford", model = "Focus", style = "SE", items = [], readings = [],
  fuel = [], costs = [] }) {
  let sql = `INSERT INTO MaintenancePlan (StyleID, Name, DrivingCondition) VALUES ('JV000001', ${q(name)}, 'N');
INSERT INTO Vehicles (VehicleID, Name, StyleYear, Make, Model, Style, MaintenancePlanID, Sold, Custom, PurchaseOdometer)
  VALUES (${q(id)}, ${q(name)}, ${year}, ${q(make)}, ${q(model)}, ${q(style)}, (SELECT max(MaintenancePlanID) FROM MaintenancePlan), 0, -1, 0);
`;
  for (const it of items) {
    sql += `INSERT INTO MaintenancePlanItems (MaintenancePlanID, ITEM_DESCRIPTION, ACTION_DESCRIPTION, INITIAL_MILEAGE, INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH, Skip)
  VALUES ((SELECT max(MaintenancePlanID) FROM MaintenancePlan), ${q(it.item)}, ${q(it.action)}, 0, 0, ${it.miles || 0}, ${it.months || 0}, 0);
`;
    if (it.done) {
      sql += `INSERT INTO Services (VehicleID, ServiceDate, Vendor, Cost, Skipped, Odometer) VALUES (${q(id)}, ${day(it.done)}, 'Garage', 0, 0, ${it.odometer || 0});
INSERT INTO ServiceItems (ServiceID, MaintenancePlanItemID) VALUES ((SELECT max(ServiceID) FROM Services), (SELECT max(MaintenancePlanItemID) FROM MaintenancePlanItems));
`;
    }
  }
  for (const [date, value] of readings)
    sql += `INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES (${q(id)}, ${day(date)}, ${value});\n`;
  for (const [date, odometer, distance, volume, cost, fillUp] of fuel)
    sql += `INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Volume, Cost, Fillup) VALUES (${q(id)}, ${day(date)}, ${odometer}, ${distance}, ${volume}, ${cost}, ${fillUp ? -1 : 0});\n`;
  for (const [date, cost] of costs)
    sql += `INSERT INTO Services (VehicleID, ServiceDate, Vendor, Cost, Skipped) VALUES (${q(id)}, ${day(date)}, 'Garage', ${cost}, 0);\n`;
  return sql;
}

export const DAILY = "{AAAAAAAA-0000-0000-0000-000000000001}";
export const WEEKEND = "{AAAAAAAA-0000-0000-0000-000000000002}";

// Today is 12/09/2026 (JV_NOW). Daily: oil overdue since 11/01, tyres due 12/15, the belt years
// away; read today at 15,000. Weekend: its battery due 02/01/2027; last read two months ago, so
// its odometer is an estimate.
export function garage() {
  return car({
    id: DAILY, name: "Daily", make: "Toyota", model: "Corolla", style: "LE",
    items: [
      { item: "Oil", action: "Change", months: 3, done: "2026-08-01", odometer: 11000 },
      { item: "Tyres", action: "Rotate", months: 6, done: "2026-06-15", odometer: 9000 },
      { item: "Timing belt", action: "Replace", months: 60, done: "2025-01-01", odometer: 1000 },
    ],
    readings: [["2026-01-01", 5000], ["2026-12-09", 15000]],
    fuel: [["2026-09-01", 12000, 0, 40, 60, true], ["2026-10-01", 12400, 400, 40, 62, true],
      ["2026-11-01", 12800, 400, 40, 64, true], ["2026-12-01", 13200, 400, 40, 66, true]],
    costs: [["2026-03-01", 120], ["2026-07-01", 300]],
  }) + car({
    id: WEEKEND, name: "Weekend", year: 2008, make: "Mazda", model: "MX-5", style: "Roadster",
    items: [{ item: "Battery", action: "Check", months: 12, done: "2026-02-01", odometer: 40000 }],
    readings: [["2026-01-01", 40000], ["2026-10-01", 42700]],
  }) + "UPDATE Prefs SET Internet = 1;";
}
