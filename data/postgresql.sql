-- The PostgreSQL database the tests reach through ODBC ("PostgreSQL Unicode"
-- driver).  Same columns as the embedded database (Item with all 45), so that
-- the same behaviour tests run on both.  Names are unquoted and therefore
-- folded to lower case, as they are in the program's own SQL.
DROP TABLE IF EXISTS Classify;
DROP TABLE IF EXISTS Item;
DROP TABLE IF EXISTS Supplier;
DROP TABLE IF EXISTS Customer;

CREATE TABLE Classify (
  ClsNo varchar(3),
  ClsName varchar(40),
  Flag boolean DEFAULT false,
  Void varchar(2)
);
CREATE INDEX ix_Classify_ClsNo ON Classify (ClsNo);

CREATE TABLE Item (
  ItemNo varchar(8),
  ItemMark varchar(13),
  SelfCode varchar(13),
  PtName varchar(40),
  PtSpec varchar(50),
  PayType varchar(1),
  SupplierNo varchar(4),
  ValidDays varchar(1),
  ImTax varchar(10),
  ImUpDate timestamp,
  UniPrice double precision DEFAULT 0,
  GUnit varchar(4),
  MUnit varchar(4),
  SUnit varchar(4),
  GtoM integer DEFAULT 0,
  MtoS integer DEFAULT 0,
  Gift double precision DEFAULT 0,
  Percent double precision DEFAULT 0,
  RegSafeQty smallint DEFAULT 0,
  EmgSafeQty smallint DEFAULT 0,
  StkQty integer DEFAULT 0,
  ChkQty integer DEFAULT 0,
  ShelfNo varchar(3),
  TempShelf varchar(3),
  AvgCost double precision DEFAULT 0,
  Flags varchar(10),
  Code varchar(6),
  Special smallint DEFAULT 0,
  OldCode varchar(13),
  HealthCode varchar(12),
  HeaPrice double precision DEFAULT 0,
  Price double precision DEFAULT 0,
  MemPrice double precision DEFAULT 0,
  VipPrice double precision DEFAULT 0,
  MTDate timestamp,
  ItemCnt smallint DEFAULT 0,
  Qty1 smallint DEFAULT 0,
  No1 varchar(8),
  Qty2 smallint DEFAULT 0,
  No2 varchar(8),
  Qty3 smallint DEFAULT 0,
  No3 varchar(8),
  Void varchar(1),
  Notes varchar(60),
  HealthTax double precision DEFAULT 0
);
CREATE INDEX ix_Item_ItemNo ON Item (ItemNo);

CREATE TABLE Supplier (
  FactNo varchar(4),
  FactName varchar(40),
  Contact varchar(10),
  OrderTel varchar(17),
  FaxNo varchar(12),
  TelNo1 varchar(17),
  TelNo2 varchar(17),
  Addr varchar(40),
  Responser varchar(10),
  DisRate double precision DEFAULT 0,
  TradeCd varchar(20),
  TaxCd varchar(10),
  Notes varchar(60)
);
CREATE INDEX ix_Supplier_FactNo ON Supplier (FactNo);

CREATE TABLE Customer (
  CustNo varchar(8),
  IdNo varchar(10),
  Name varchar(20),
  Sex varchar(6),
  TelNo varchar(17),
  Address varchar(50),
  DisCount varchar(16)
);
CREATE INDEX ix_Customer_CustNo ON Customer (CustNo);
