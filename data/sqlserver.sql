-- KESTAPOS / KESTAPLUS on Microsoft SQL Server: the standard layout (Item
-- with the 19 columns the program reads and writes).  Run it in the target
-- database, e.g. sqlcmd -d KESTAPOS -i data/sqlserver.sql

CREATE TABLE [Classify] (
  [ClsNo] varchar(3),
  [ClsName] varchar(40),
  [Flag] bit DEFAULT 0,
  [Void] nvarchar(2)
);
GO
CREATE INDEX ix_Classify_ClsNo ON [Classify] ([ClsNo]);
GO

CREATE TABLE [Item] (
  [ItemNo] nvarchar(8),
  [ItemMark] nvarchar(13),
  [SelfCode] nvarchar(13),
  [PtName] nvarchar(40),
  [PtSpec] nvarchar(50),
  [SupplierNo] nvarchar(4),
  [ImTax] nvarchar(10),
  [ImUpDate] datetime,
  [UniPrice] float DEFAULT 0,
  [SUnit] nvarchar(4),
  [RegSafeQty] smallint DEFAULT 0,
  [EmgSafeQty] smallint DEFAULT 0,
  [StkQty] int DEFAULT 0,
  [ShelfNo] nvarchar(3),
  [AvgCost] float DEFAULT 0,
  [Special] smallint DEFAULT 0,
  [Price] float DEFAULT 0,
  [MemPrice] float DEFAULT 0,
  [VipPrice] float DEFAULT 0
);
GO
CREATE INDEX ix_Item_ItemNo ON [Item] ([ItemNo]);
GO

CREATE TABLE [Supplier] (
  [FactNo] varchar(4),
  [FactName] varchar(40),
  [Contact] varchar(10),
  [OrderTel] varchar(17),
  [FaxNo] varchar(12),
  [TelNo1] varchar(17),
  [TelNo2] varchar(17),
  [Addr] varchar(40),
  [Responser] varchar(10),
  [DisRate] float DEFAULT 0,
  [TradeCd] varchar(20),
  [TaxCd] varchar(10),
  [Notes] nvarchar(60)
);
GO
CREATE INDEX ix_Supplier_FactNo ON [Supplier] ([FactNo]);
GO

CREATE TABLE [Customer] (
  [CustNo] varchar(8),
  [IdNo] varchar(10),
  [Name] varchar(20),
  [Sex] varchar(6),
  [TelNo] varchar(17),
  [Address] varchar(50),
  [DisCount] varchar(16)
);
GO
CREATE INDEX ix_Customer_CustNo ON [Customer] ([CustNo]);
