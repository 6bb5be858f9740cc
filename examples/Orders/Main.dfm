object MainForm: TMainForm
  Left = 192
  Top = 107
  Width = 640
  Height = 480
  Caption = 'Orders'
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = False
  PixelsPerInch = 96
  TextHeight = 13
  object gridCustomers: TDBGrid
    Left = 8
    Top = 8
    Width = 617
    Height = 393
    DataSource = dsCustomers
    TabOrder = 0
  end
  object btnArchive: TButton
    Left = 8
    Top = 416
    Width = 121
    Height = 25
    Caption = 'Archive old orders'
    TabOrder = 1
    OnClick = btnArchiveClick
  end
  object tblCustomers: TTable
    Active = True
    DatabaseName = 'OrdersDB'
    IndexFieldNames = 'NAME'
    TableName = 'CUSTOMERS'
    Left = 40
    Top = 56
  end
  object dsCustomers: TDataSource
    DataSet = tblCustomers
    Left = 72
    Top = 56
  end
  object qryTotals: TQuery
    DatabaseName = 'OrdersDB'
    DataSource = dsCustomers
    SQL.Strings = (
      'select sum(TOTAL) as TOTAL from ORDERS'
      'where CUSTOMER_ID = :ID')
    Left = 104
    Top = 56
    ParamData = <
      item
        DataType = ftInteger
        Name = 'ID'
        ParamType = ptInput
      end>
  end
  object spArchive: TStoredProc
    DatabaseName = 'OrdersDB'
    StoredProcName = 'ARCHIVE_ORDERS'
    Left = 136
    Top = 56
    ParamData = <
      item
        DataType = ftDateTime
        Name = 'BEFORE'
        ParamType = ptInput
      end>
  end
  object tblArchive: TTable
    DatabaseName = 'OrdersDB'
    TableName = 'ORDERS_ARCHIVE'
    Left = 168
    Top = 56
  end
  object bmCopy: TBatchMove
    Destination = tblArchive
    Mode = batAppend
    Source = qryTotals
    Left = 200
    Top = 56
  end
end
