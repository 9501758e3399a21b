-- The blank user database "jvbdb" at schema version 8. A new user's database is a copy of it,
-- which the program brings to its current version when it first opens it (CUserData).
--
-- Storage types keep the behaviour of the Jet database the program was written for:
--   text               varchar(n) / char(n) / TEXT, COLLATE NOCASE (names compare without case)
--   counter            INTEGER PRIMARY KEY AUTOINCREMENT (an id is never handed out twice)
--   long integer       INTEGER
--   single             REAL (the value as written)
--   double, currency   DOUBLE
--   yes/no             INTEGER NOT NULL DEFAULT 0 (true is -1)
--   date               DATETIME REAL: days since 30 December 1899 with the time as the fraction,
--                      so dates order, compare and aggregate (min, max) as dates
--
-- The columns of each table stand in the order that upgrading an old database gives them, so a
-- new database and an upgraded one are the same.

CREATE TABLE version (
    Version INTEGER
);

CREATE TABLE Vehicles (
    VehicleID varchar(38) COLLATE NOCASE PRIMARY KEY,
    Name varchar(30) COLLATE NOCASE,
    StyleID varchar(50) COLLATE NOCASE,
    MakeID varchar(20) COLLATE NOCASE,
    Make varchar(30) COLLATE NOCASE,
    ModelID varchar(20) COLLATE NOCASE,
    Model varchar(30) COLLATE NOCASE,
    Style varchar(65) COLLATE NOCASE,
    StyleYear INTEGER,
    Transmission varchar(50) COLLATE NOCASE,
    Custom INTEGER NOT NULL DEFAULT 0,
    DrivingCondition char(1) COLLATE NOCASE,
    PurchaseDate DATETIME REAL,
    MaintenancePlanID INTEGER,
    Notes TEXT COLLATE NOCASE,
    VIN varchar(50) COLLATE NOCASE,
    Color varchar(50) COLLATE NOCASE,
    PurchaseVendor varchar(200) COLLATE NOCASE,
    PurchaseType char(1) COLLATE NOCASE,
    PurchaseOrLease char(1) COLLATE NOCASE,
    PurchasePrice REAL,
    PurchaseOdometer REAL,
    Sold INTEGER NOT NULL DEFAULT 0,
    SoldDate DATETIME REAL,
    SoldVendor varchar(200) COLLATE NOCASE,
    SoldPrice REAL,
    Selected INTEGER NOT NULL DEFAULT 0,
    Engine varchar(50) COLLATE NOCASE,
    EngineCode varchar(10) COLLATE NOCASE,
    TransmissionCode varchar(20) COLLATE NOCASE,
    InsuranceProvider varchar(50) COLLATE NOCASE,
    PolicyNumber varchar(30) COLLATE NOCASE,
    LicensePlate varchar(20) COLLATE NOCASE,
    DriveType varchar(50) COLLATE NOCASE,
    Region varchar(50) COLLATE NOCASE
);

CREATE TABLE MaintenancePlan (
    MaintenancePlanID INTEGER PRIMARY KEY AUTOINCREMENT,
    StyleID varchar(50) COLLATE NOCASE,
    Name varchar(50) COLLATE NOCASE,
    DrivingCondition char(1) COLLATE NOCASE
);

CREATE TABLE MaintenancePlanItems (
    MaintenancePlanItemID INTEGER PRIMARY KEY AUTOINCREMENT,
    MaintenancePlanID INTEGER,
    severe_service_flag char(1) COLLATE NOCASE,
    engine_code varchar(50) COLLATE NOCASE,
    transmission_code varchar(50) COLLATE NOCASE,
    drive_type_code varchar(50) COLLATE NOCASE,
    INITIAL_MILEAGE INTEGER,
    INITIAL_MONTH INTEGER,
    INTERVAL_MILEAGE INTEGER,
    INTERVAL_MONTH INTEGER,
    Skip INTEGER NOT NULL DEFAULT 0,
    MVC_Qualifiers varchar(50) COLLATE NOCASE,
    Non_MVC_Qualifiers varchar(50) COLLATE NOCASE,
    Service_Type varchar(50) COLLATE NOCASE,
    Service_Indicator char(1) COLLATE NOCASE,
    Action_Description varchar(50) COLLATE NOCASE,
    Item_Description varchar(100) COLLATE NOCASE
);
CREATE INDEX MaintenancePlanItemsByPlan ON MaintenancePlanItems (MaintenancePlanID);

CREATE TABLE CustomMaintenancePlanItems (
    MaintenancePlanItemID INTEGER PRIMARY KEY AUTOINCREMENT,
    MaintenancePlanID INTEGER,
    severe_service_flag char(1) COLLATE NOCASE,
    engine_code varchar(50) COLLATE NOCASE,
    transmission_code varchar(50) COLLATE NOCASE,
    drive_type_code varchar(50) COLLATE NOCASE,
    INITIAL_MILEAGE INTEGER,
    INITIAL_MONTH INTEGER,
    INTERVAL_MILEAGE INTEGER,
    INTERVAL_MONTH INTEGER,
    Skip INTEGER NOT NULL DEFAULT 0,
    MVC_Qualifiers varchar(50) COLLATE NOCASE,
    Non_MVC_Qualifiers varchar(50) COLLATE NOCASE,
    Service_Type varchar(50) COLLATE NOCASE,
    Service_Indicator char(1) COLLATE NOCASE,
    Action_Description varchar(50) COLLATE NOCASE,
    Item_Description varchar(100) COLLATE NOCASE
);

CREATE TABLE GenericMaintenancePlanItems (
    MaintenancePlanItemID INTEGER PRIMARY KEY AUTOINCREMENT,
    MaintenancePlanID INTEGER,
    severe_service_flag char(1) COLLATE NOCASE,
    engine_code varchar(50) COLLATE NOCASE,
    transmission_code varchar(50) COLLATE NOCASE,
    drive_type_code varchar(50) COLLATE NOCASE,
    INITIAL_MILEAGE INTEGER,
    INITIAL_MONTH INTEGER,
    INTERVAL_MILEAGE INTEGER,
    INTERVAL_MONTH INTEGER,
    Skip INTEGER NOT NULL DEFAULT 0,
    MVC_Qualifiers varchar(50) COLLATE NOCASE,
    Non_MVC_Qualifiers varchar(50) COLLATE NOCASE,
    Service_Type varchar(50) COLLATE NOCASE,
    Service_Indicator char(1) COLLATE NOCASE,
    Action_Description varchar(50) COLLATE NOCASE,
    Item_Description varchar(100) COLLATE NOCASE
);

CREATE TABLE Services (
    ServiceID INTEGER PRIMARY KEY AUTOINCREMENT,
    VehicleID varchar(38) COLLATE NOCASE,
    ServiceDate DATETIME REAL,
    Vendor varchar(60) COLLATE NOCASE,
    ServiceMemo varchar(60) COLLATE NOCASE,
    Cost REAL,
    Parts REAL,
    Labor REAL,
    Tax REAL,
    Skipped INTEGER NOT NULL DEFAULT 0,
    Notes TEXT COLLATE NOCASE,
    Odometer REAL,
    Other REAL
);
CREATE INDEX ServicesByVehicle ON Services (VehicleID, ServiceDate);

CREATE TABLE ServiceItems (
    ServiceID INTEGER,
    MaintenancePlanItemID INTEGER
);
CREATE INDEX ServiceItemsByService ON ServiceItems (ServiceID);
CREATE INDEX ServiceItemsByItem ON ServiceItems (MaintenancePlanItemID);

CREATE TABLE ExpenseCategories (
    CategoryID INTEGER PRIMARY KEY AUTOINCREMENT,
    Name varchar(50) COLLATE NOCASE
);

CREATE TABLE Expenses (
    ExpenseID INTEGER PRIMARY KEY AUTOINCREMENT,
    VehicleID varchar(38) COLLATE NOCASE,
    ExpenseDate DATETIME REAL,
    Vendor varchar(60) COLLATE NOCASE,
    ExpenseMemo varchar(60) COLLATE NOCASE,
    CategoryID INTEGER,
    Notes TEXT COLLATE NOCASE,
    Cost REAL,
    Odometer REAL
);
CREATE INDEX ExpensesByVehicle ON Expenses (VehicleID, ExpenseDate);

CREATE TABLE FuelPurchases (
    FuelPurchaseID INTEGER PRIMARY KEY AUTOINCREMENT,
    VehicleID varchar(38) COLLATE NOCASE,
    FuelPurchaseDate DATETIME REAL,
    Odometer REAL,
    Distance REAL,
    Vendor varchar(100) COLLATE NOCASE,
    Fillup INTEGER NOT NULL DEFAULT 0,
    Volume DOUBLE,
    CostPer DOUBLE,
    OctaneRating INTEGER,
    Roads char(1) COLLATE NOCASE,
    Notes TEXT COLLATE NOCASE,
    Cost REAL
);
CREATE INDEX FuelPurchasesByVehicle ON FuelPurchases (VehicleID, FuelPurchaseDate);

CREATE TABLE Trips (
    TripID INTEGER PRIMARY KEY AUTOINCREMENT,
    VehicleID varchar(38) COLLATE NOCASE,
    TripDate DATETIME REAL,
    StartOdometer REAL,
    EndOdometer REAL,
    Distance REAL,
    Notes TEXT COLLATE NOCASE
);

CREATE TABLE OdometerValues (
    OdometerValueID INTEGER PRIMARY KEY AUTOINCREMENT,
    VehicleID varchar(38) COLLATE NOCASE,
    OdometerDate DATETIME REAL,
    OdometerValue REAL
);
CREATE INDEX OdometerValuesByVehicle ON OdometerValues (VehicleID, OdometerDate);
-- The lowest and highest readings of a car, and every reading of a car read from the index alone.
-- Files made before it get it when they are opened (CUserData).
CREATE INDEX OdometerValuesByValue ON OdometerValues (VehicleID, OdometerValue, OdometerDate);

CREATE TABLE Accidents (
    AccidentID INTEGER PRIMARY KEY AUTOINCREMENT,
    VehicleID varchar(38) COLLATE NOCASE,
    AccidentDate DATETIME REAL,
    Notes TEXT COLLATE NOCASE
);

CREATE TABLE Prefs (
    UserName varchar(60) COLLATE NOCASE,
    Email varchar(60) COLLATE NOCASE,
    Country varchar(50) COLLATE NOCASE,
    PostalCode varchar(10) COLLATE NOCASE,
    VolumeUnit INTEGER,
    DistanceUnit INTEGER,
    MechanicName varchar(50) COLLATE NOCASE,
    MechanicAddress1 varchar(100) COLLATE NOCASE,
    MechanicAddress2 varchar(100) COLLATE NOCASE,
    MechanicCity varchar(50) COLLATE NOCASE,
    MechanicState varchar(20) COLLATE NOCASE,
    MechanicZip varchar(10) COLLATE NOCASE,
    MechanicPhone varchar(20) COLLATE NOCASE,
    ShowSoldCars INTEGER NOT NULL DEFAULT 0,
    Internet INTEGER,
    UploadErrors INTEGER,
    UploadData INTEGER
);

-- Per maintenance-plan item, the date of the latest service that covered it. A skipped service
-- counts: skipping an item moves its reminder on to the next interval.
CREATE VIEW MostRecentServices AS
    SELECT si.MaintenancePlanItemID AS MaintenancePlanItemID, max(s.ServiceDate) AS ServiceDate
    FROM Services s INNER JOIN ServiceItems si ON si.ServiceID = s.ServiceID
    GROUP BY si.MaintenancePlanItemID;

INSERT INTO version (Version) VALUES (8);

-- Miles and kilometres, gallons and litres: 0 is miles and gallons. Internet, UploadErrors and
-- UploadData: 0 means ask the user first.
INSERT INTO Prefs (VolumeUnit, DistanceUnit, ShowSoldCars, Internet, UploadErrors, UploadData)
    VALUES (0, 0, 0, 0, 0, 0);

INSERT INTO ExpenseCategories (CategoryID, Name) VALUES
    (1, 'Insurance'),
    (2, 'Registration'),
    (3, 'Repair'),
    (4, 'Tires'),
    (5, 'Parking'),
    (6, 'Tolls'),
    (7, 'Car Wash'),
    (8, 'Accessories'),
    (9, 'Loan Payment'),
    (10, 'Lease Payment'),
    (11, 'Other');

-- The plan for cars without a maker's plan: distances in miles, intervals in months; "N" normal
-- and "S" severe driving.
INSERT INTO GenericMaintenancePlanItems
    (severe_service_flag, INITIAL_MILEAGE, INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH, Action_Description,
     Item_Description) VALUES
    ('N', 0, 0, 5000, 6, 'Replace', 'Engine oil and filter'),
    ('N', 0, 0, 7500, 6, 'Rotate', 'Tires'),
    ('N', 0, 0, 15000, 12, 'Inspect', 'Brake pads and rotors'),
    ('N', 0, 0, 15000, 12, 'Replace', 'Engine air filter'),
    ('N', 0, 0, 15000, 12, 'Replace', 'Cabin air filter'),
    ('N', 0, 0, 0, 12, 'Replace', 'Wiper blades'),
    ('N', 0, 0, 0, 12, 'Inspect', 'Battery'),
    ('N', 0, 0, 30000, 24, 'Replace', 'Brake fluid'),
    ('N', 0, 0, 60000, 48, 'Replace', 'Transmission fluid'),
    ('N', 0, 0, 60000, 60, 'Replace', 'Engine coolant'),
    ('N', 0, 0, 60000, 72, 'Replace', 'Spark plugs'),
    ('S', 0, 0, 3000, 3, 'Replace', 'Engine oil and filter'),
    ('S', 0, 0, 5000, 6, 'Rotate', 'Tires'),
    ('S', 0, 0, 7500, 6, 'Inspect', 'Brake pads and rotors'),
    ('S', 0, 0, 7500, 6, 'Replace', 'Engine air filter'),
    ('S', 0, 0, 10000, 12, 'Replace', 'Cabin air filter'),
    ('S', 0, 0, 0, 6, 'Replace', 'Wiper blades'),
    ('S', 0, 0, 0, 6, 'Inspect', 'Battery'),
    ('S', 0, 0, 20000, 24, 'Replace', 'Brake fluid'),
    ('S', 0, 0, 30000, 24, 'Replace', 'Transmission fluid'),
    ('S', 0, 0, 30000, 24, 'Replace', 'Engine coolant'),
    ('S', 0, 0, 30000, 36, 'Replace', 'Spark plugs');
