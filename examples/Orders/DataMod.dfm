object DM: TDM
  OldCreateOrder = False
  OnCreate = DataModuleCreate
  Left = 200
  Top = 120
  Height = 300
  Width = 420
  object Database1: TDatabase
    AliasName = 'ORDERS_ALIAS'
    DatabaseName = 'OrdersDB'
    LoginPrompt = False
    Params.Strings = (
      'SERVER NAME=db.example.com'
      'USER NAME=orders'
      'PASSWORD=s3cr''et'
      'DATABASE NAME=orders')
    SessionName = 'Default'
    TransIsolation = tiReadCommitted
    Left = 40
    Top = 16
  end
  object qryOrders: TQuery
    CachedUpdates = True
    DatabaseName = 'OrdersDB'
    RequestLive = True
    SQL.Strings = (
      'select ID, CUSTOMER_ID, TOTAL'
      'from ORDERS'
      'where CUSTOMER_ID = :cust'
      'order by ID')
    UpdateObject = updOrders
    Left = 128
    Top = 16
    ParamData = <
      item
        DataType = ftInteger
        Name = 'cust'
        ParamType = ptInput
      end>
    object qryOrdersID: TIntegerField
      FieldName = 'ID'
      Required = True
    end
    object qryOrdersCUSTOMER_ID: TIntegerField
      FieldName = 'CUSTOMER_ID'
    end
    object qryOrdersTOTAL: TCurrencyField
      FieldName = 'TOTAL'
    end
  end
  object updOrders: TUpdateSQL
    ModifySQL.Strings = (
      'update ORDERS set TOTAL = :TOTAL'
      'where ID = :OLD_ID')
    InsertSQL.Strings = (
      'insert into ORDERS (CUSTOMER_ID, TOTAL)'
      'values (:CUSTOMER_ID, :TOTAL)')
    DeleteSQL.Strings = (
      'delete from ORDERS where ID = :OLD_ID')
    Left = 128
    Top = 72
  end
  object dsOrders: TDataSource
    DataSet = qryOrders
    Left = 216
    Top = 16
  end
end
