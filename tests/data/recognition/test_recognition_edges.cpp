#include "data/recognition/AddressParser.h"
#include "data/recognition/RegionTable.h"

#include <QTest>

// Recognising recipients in pasted text, one rule at a time: each row a
// text, a field and what it must hold, and whether the field is flagged
// for the user to check.
class TestRecognitionEdges : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void edgeCases_data();
    void edgeCases();

private:
    RegionTable m_regions;
};

void TestRecognitionEdges::initTestCase()
{
    QString err;
    QVERIFY2(m_regions.loadBuiltIn(&err), qPrintable(err));
}

void TestRecognitionEdges::edgeCases_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("unsure");

    QTest::newRow("empty text: nothing, name and address unsure")
        << QString() << QStringLiteral("地址") << QString() << true;
    QTest::newRow("ambiguous district is not completed")
        << QStringLiteral("宁静 13900001246 朝阳区工体北路8号") << QStringLiteral("城市") << QString()
        << true;
    QTest::newRow("unique district completes silently")
        << QStringLiteral("孙强 13800139000 金水区经三路15号") << QStringLiteral("城市")
        << QStringLiteral("郑州市") << false;
    QTest::newRow("two name candidates: first taken, flagged")
        << QStringLiteral("张伟 李娜 13812345678 河南省郑州市金水区花园路12号") << QStringLiteral("姓名")
        << QStringLiteral("张伟") << true;
    QTest::newRow("labelled name and one more candidate: labelled taken, flagged")
        << QStringLiteral("收货人：张伟 李娜 13812345678 河南省郑州市金水区花园路12号")
        << QStringLiteral("姓名") << QStringLiteral("张伟") << true;
    QTest::newRow("second name goes to the remark")
        << QStringLiteral("张伟 李娜 13812345678 河南省郑州市金水区花园路12号") << QStringLiteral("备注")
        << QStringLiteral("李娜") << false;
    QTest::newRow("leftover note goes to the remark")
        << QStringLiteral("申雪 13900001235 哈尔滨市道里区中央大街100号 备注：放门卫室")
        << QStringLiteral("备注") << QStringLiteral("放门卫室") << false;
    QTest::newRow("unlabelled note kept in the remark")
        << QStringLiteral("耿乐 13900001236 长沙市天心区书院路9号 周末也可以送") << QStringLiteral("备注")
        << QStringLiteral("周末也可以送") << false;
    QTest::newRow("a request to deliver is a note, no lead-in")
        << QStringLiteral("耿乐 13900001236 长沙市天心区书院路9号 请送到门卫") << QStringLiteral("备注")
        << QStringLiteral("请送到门卫") << false;
    QTest::newRow("mobile with a digit too many is not taken, but flagged")
        << QStringLiteral("张伟 138123456789 河南省郑州市金水区花园路12号") << QStringLiteral("手机")
        << QString() << true;
    QTest::newRow("third number kept in the remark")
        << QStringLiteral("江南 13601001234 13601005678 13601009999 北京市丰台区丰台北路18号")
        << QStringLiteral("备注") << QStringLiteral("13601009999") << false;
    QTest::newRow("room number of six digits is no postcode")
        << QStringLiteral("王芳 13912345678 浙江省杭州市西湖区文三路478号 100101室") << QStringLiteral("邮编")
        << QString() << false;
    QTest::newRow("postcode of another province is flagged")
        << QStringLiteral("张伟 13812345678 河南省郑州市金水区花园路12号 100080") << QStringLiteral("邮编")
        << QStringLiteral("100080") << true;
    QTest::newRow("labelled postcode wins over another six digits")
        << QStringLiteral("张伟 13812345678 123456 郑州市金水区花园路12号 邮编：450000")
        << QStringLiteral("邮编") << QStringLiteral("450000") << true;
    QTest::newRow("region repeated before the street is written once")
        << QStringLiteral(
               "所在地区：河南省郑州市金水区\n详细地址：河南省郑州市金水区花园路12号\n收货人：张伟")
        << QStringLiteral("地址") << QStringLiteral("河南省郑州市金水区花园路12号") << false;
    QTest::newRow("street named after a city is no region")
        << QStringLiteral("张伟 13812345678 中山路88号") << QStringLiteral("城市") << QString() << true;
    QTest::newRow("short province and city: 吉林 is the province here")
        << QStringLiteral("盛夏 吉林长春南关区人民大街2号") << QStringLiteral("城市")
        << QStringLiteral("长春市") << false;
    QTest::newRow("吉林市 is the city")
        << QStringLiteral("谷雨 吉林市船营区北京路1号") << QStringLiteral("地址")
        << QStringLiteral("吉林省吉林市船营区北京路1号") << false;
    QTest::newRow("landline without a mobile")
        << QStringLiteral("白露 010-65123456 北京市东城区王府井大街138号") << QStringLiteral("电话")
        << QStringLiteral("010-65123456") << false;
    QTest::newRow("landline extension in brackets")
        << QStringLiteral("白露 010-65123456(808) 北京市东城区王府井大街138号") << QStringLiteral("电话")
        << QStringLiteral("010-65123456-808") << false;
    QTest::newRow("surname and title apart")
        << QStringLiteral("张 先生 13812345678 河南省郑州市金水区花园路12号") << QStringLiteral("姓名")
        << QStringLiteral("张先生") << false;
    QTest::newRow("name label followed by a number only")
        << QStringLiteral("联系人：13812345678\n河南省郑州市金水区花园路12号\n张伟") << QStringLiteral("地址")
        << QStringLiteral("河南省郑州市金水区花园路12号") << false;
    QTest::newRow("unknown-surname name is flagged")
        << QStringLiteral("艺菲 13812345678 河南省郑州市金水区花园路12号") << QStringLiteral("姓名")
        << QStringLiteral("艺菲") << true;
    QTest::newRow("masked mobile kept, flagged")
        << QStringLiteral("严小芳 139****5678 广东省广州市荔湾区龙津西路1号") << QStringLiteral("手机")
        << QStringLiteral("139****5678") << true;
    QTest::newRow("extension of a privacy number kept with it")
        << QStringLiteral("贾思远 17098761234-5678 江苏省南京市秦淮区中华路26号") << QStringLiteral("手机")
        << QStringLiteral("17098761234转5678") << false;
    QTest::newRow("company known by its ending is flagged")
        << QStringLiteral("深圳市华拓电子有限公司 王强 13823456671 广东省深圳市宝安区宝源路88号")
        << QStringLiteral("收件单位") << QStringLiteral("深圳市华拓电子有限公司") << true;
    QTest::newRow("labelled company is sure")
        << QStringLiteral(
               "收件单位：重庆渝州机械厂 收件人：刘强 电话：023-68812345 地址：重庆市九龙坡区谢家湾正街1号")
        << QStringLiteral("收件单位") << QStringLiteral("重庆渝州机械厂") << false;
    QTest::newRow("area code settles a district of two cities")
        << QStringLiteral("鼓楼区中山北路200号 孙杰 025-83312345") << QStringLiteral("地址")
        << QStringLiteral("江苏省南京市鼓楼区中山北路200号") << false;
    QTest::newRow("postcode settles a district of two cities")
        << QStringLiteral("西湖区北京西路1号 郑涛 330003 13907912233") << QStringLiteral("城市")
        << QStringLiteral("南昌市") << false;
    QTest::newRow("street named like its city keeps its text")
        << QStringLiteral("吴昊天 13906001122 福建省厦门市思明区厦门大学思明校区") << QStringLiteral("地址")
        << QStringLiteral("福建省厦门市思明区厦门大学思明校区") << false;
    QTest::newRow("Hong Kong is a region with its city")
        << QStringLiteral("陈家明 +852 9123 4567 香港九龙旺角弥敦道688号") << QStringLiteral("城市")
        << QStringLiteral("香港特别行政区") << false;
    QTest::newRow("long name without a known surname is flagged")
        << QStringLiteral("乌兰其其格 13947123390 内蒙古呼和浩特市回民区中山西路1号")
        << QStringLiteral("姓名") << QStringLiteral("乌兰其其格") << true;
    QTest::newRow("chat around the fields goes nowhere")
        << QStringLiteral("亲，地址是：江苏省无锡市滨湖区蠡湖大道1800号，收件人王思雨，电话13861771245")
        << QStringLiteral("备注") << QString() << false;
    QTest::newRow("thanks with a particle goes nowhere")
        << QStringLiteral("柳青 13861771245 江苏省无锡市滨湖区蠡湖大道1800号 辛苦了哈")
        << QStringLiteral("备注") << QString() << false;
    QTest::newRow("name-like piece before the province is the name, flagged")
        << QStringLiteral("艺子轩 13812345678 河南省郑州市金水区花园路12号") << QStringLiteral("姓名")
        << QStringLiteral("艺子轩") << true;
    QTest::newRow("mobile in Chinese digits")
        << QStringLiteral("王建国 一三九零七一二八八六五 湖北省武汉市江岸区解放大道1277号")
        << QStringLiteral("手机") << QStringLiteral("13907128865") << false;
    QTest::newRow("mobile read out with 幺 for 1, in groups")
        << QStringLiteral("蒋文 幺五幺 零三二一 七七八九 上海市杨浦区国定路580号") << QStringLiteral("手机")
        << QStringLiteral("15103217789") << false;
    QTest::newRow("mobile in full-width digits and dots")
        << QStringLiteral("袁野 １３６．２０２２．３３４４ 天津市河西区友谊路32号") << QStringLiteral("手机")
        << QStringLiteral("13620223344") << false;
    QTest::newRow("mobile with dots between its groups")
        << QStringLiteral("周敏 186.2031.5566 江苏省苏州市姑苏区干将西路1298号") << QStringLiteral("手机")
        << QStringLiteral("18620315566") << false;
    QTest::newRow("mobile in odd groups after a room, the room kept")
        << QStringLiteral("张伟 河南省郑州市金水区幸福小区7号楼 302 1 8 6-2031-5566")
        << QStringLiteral("地址") << QStringLiteral("河南省郑州市金水区幸福小区7号楼302") << false;
    QTest::newRow("spaced mobile with a digit too many is not taken, but flagged")
        << QStringLiteral("13 9 0 7 1 2 3 4 5 6 7 张伟 河南省郑州市金水区花园路12号")
        << QStringLiteral("手机") << QString() << true;
    QTest::newRow("unit and room set off after the building stay in the address")
        << QStringLiteral("唐磊 18620315566 四川省绵阳市涪城区临园路东段64号 3栋 1单元 501")
        << QStringLiteral("地址") << QStringLiteral("四川省绵阳市涪城区临园路东段64号3栋1单元501") << false;
    QTest::newRow("a number after a floor that is no room on it stays out")
        << QStringLiteral("林怡君 +886 912 345 678 台湾省台北市大安区忠孝东路四段216号5楼 106")
        << QStringLiteral("地址") << QStringLiteral("台湾省台北市大安区忠孝东路四段216号5楼") << false;
    QTest::newRow("sheet row: name cell first, a place set off in the address cell")
        << QStringLiteral("诸葛亮\t13812345678\t重庆市 万州区 高笋塘 国本路18号") << QStringLiteral("地址")
        << QStringLiteral("重庆市万州区高笋塘国本路18号") << false;
    QTest::newRow("a desk after the department after the hospital")
        << QStringLiteral("四川省成都市武侯区国学巷37号四川大学华西医院 心内科 护士站 胡晓燕 18980601234")
        << QStringLiteral("备注") << QStringLiteral("心内科 护士站") << false;
    QTest::newRow("the shop called on before a courier wish: the wish kept")
        << QStringLiteral("老板发顺丰哦 黎明辉 13726541234 广东省佛山市禅城区季华五路22号")
        << QStringLiteral("备注") << QStringLiteral("发顺丰哦") << false;
    QTest::newRow("a university's school and office after it are notes")
        << QStringLiteral("辽宁省大连市甘井子区凌工路2号大连理工大学 化工学院 办公室 孙雪 0411-84708888")
        << QStringLiteral("备注") << QStringLiteral("化工学院 办公室") << false;
    QTest::newRow("the sender's name and number are no recipient's")
        << QStringLiteral("寄件人：张店长 13900001111\n收件人：刘晓梅 15122334455 天津市南开区卫津路94号")
        << QStringLiteral("手机") << QStringLiteral("15122334455") << false;
    QTest::newRow("numbers and unit words typed apart make one address")
        << QStringLiteral("张伟 138 1234 5678 河南省郑州市金水区 花园路 12 号 3 栋 2 单元 501 室")
        << QStringLiteral("地址") << QStringLiteral("河南省郑州市金水区花园路12号3栋2单元501室") << false;
    QTest::newRow("landline with dots between its groups")
        << QStringLiteral("张伟 0371.6543.2100 河南省郑州市金水区花园路12号") << QStringLiteral("电话")
        << QStringLiteral("0371-65432100") << false;
    QTest::newRow("labels in traditional characters")
        << QStringLiteral("收件人：周雅琪 電話：13812345678 地址：广东省深圳市福田区福华路8号")
        << QStringLiteral("备注") << QString() << false;
    QTest::newRow("a label with blanks between its characters")
        << QStringLiteral("收 件 人 ：王小川 电话 13900001111 地址：江苏省南京市鼓楼区中山路1号")
        << QStringLiteral("备注") << QString() << false;
    QTest::newRow("full-width bars and equals signs between fields")
        << QStringLiteral("收货人＝韩冬｜电话＝13611112222｜地址＝浙江省杭州市西湖区文三路90号")
        << QStringLiteral("姓名") << QStringLiteral("韩冬") << false;
    QTest::newRow("a chat sticker goes nowhere")
        << QStringLiteral("柳青 13861771245 江苏省无锡市滨湖区蠡湖大道1800号 谢谢[捂脸]")
        << QStringLiteral("备注") << QString() << false;
    QTest::newRow("fillers of a spoken message go nowhere")
        << QStringLiteral("嗯地址是湖北省武汉市洪山区珞喻路100号然后收件人写黄磊电话是13900002222就这些")
        << QStringLiteral("地址") << QStringLiteral("湖北省武汉市洪山区珞喻路100号") << false;
    QTest::newRow("the sheet's title goes nowhere")
        << QStringLiteral("发货单 收件人：石磊 电话：15295036618 地址：江苏省南通市崇川区人民中路18号")
        << QStringLiteral("备注") << QString() << false;
    QTest::newRow("a department under its label goes to the remark without it")
        << QStringLiteral("收件单位：无锡华光机械有限公司 部门：质检科 联系人：吴刚 电话：13900003333")
        << QStringLiteral("备注") << QStringLiteral("质检科") << false;
    QTest::newRow("the country before the province is left out")
        << QStringLiteral("收货地址：中国 浙江省 宁波市 鄞州区 天童南路588号 收货人：贝贝 手机：13900004444")
        << QStringLiteral("地址") << QStringLiteral("浙江省宁波市鄞州区天童南路588号") << false;
    QTest::newRow("one more parcel to the next recipient is a lead-in")
        << QStringLiteral("另外再寄一份给 蓝海 13877236015 广西北海市海城区北部湾中路3号")
        << QStringLiteral("备注") << QString() << false;
    QTest::newRow("to bring it home is a wish, no lead-in")
        << QStringLiteral("江西省赣州市于都县贡江镇长征大道8号 肖红 13900005555 送到家")
        << QStringLiteral("备注") << QStringLiteral("送到家") << false;
    QTest::newRow("fetching it in town is a wish, no part of the address")
        << QStringLiteral("四川省巴中市平昌县驷马镇水井村4组 何永贵 15283619042 我自己来镇上拿")
        << QStringLiteral("备注") << QStringLiteral("我自己来镇上拿") << false;
    QTest::newRow("号码 labels the number")
        << QStringLiteral("名字：尤佳 号码：13761205584 地址：上海市松江区文诚路358弄12号")
        << QStringLiteral("备注") << QString() << false;
    QTest::newRow("an extension on a line of its own")
        << QStringLiteral("收货人：王强\n电话：0571-87061234\n分机：8008\n地址：浙江省杭州市上城区东坡路8号")
        << QStringLiteral("电话") << QStringLiteral("0571-87061234-8008") << false;
    QTest::newRow("a Taiwan mobile as typed there, the place in its characters")
        << QStringLiteral("林怡君 0928-617-532 台中市西屯區台灣大道三段99號") << QStringLiteral("手机")
        << QStringLiteral("+886-928617532") << false;
    QTest::newRow("sheet rows under a header row: each cell where its column says")
        << QStringLiteral("姓名\t手机\t单位\t地址\n钱文斌\t13900006666\t姑苏区康宁口腔门诊部\t江苏省苏州市姑"
                          "苏区道前街26号\n"
                          "蒋莉\t13900007777\t\t江苏省扬州市广陵区文昌中路15号")
        << QStringLiteral("收件单位") << QStringLiteral("姑苏区康宁口腔门诊部||") << false;
    QTest::newRow("recipients numbered with circled digits, thanks on a line of its own")
        << QStringLiteral("① 陈静 13761820947 上海市浦东新区张杨路1500号\n② 周强 18650273816 "
                          "福建省福州市鼓楼区五四路158号\n辛苦啦")
        << QStringLiteral("备注") << QStringLiteral("||") << false;
    QTest::newRow("numbered orders after one another on a line")
        << QStringLiteral("第一单：淄博市张店区人民西路18号，焦娟，15065320018；第二单：山东省东营市东营区西"
                          "三路177号，庞建国，13805467731")
        << QStringLiteral("备注") << QStringLiteral("||") << false;
    QTest::newRow("one recipient a line, a number in full-width digits")
        << QStringLiteral("大庆市萨尔图区中央大街28号 关丽娜 "
                          "１３９０４５９８８０１\n齐齐哈尔市龙沙区卜奎大街99号 关振东 0452-2418866")
        << QStringLiteral("姓名") << QStringLiteral("关丽娜||关振东") << false;
    QTest::newRow("a Taiwan address in its own characters names its city")
        << QStringLiteral("收件人：林志豪 手機：+886 912 345 678 地址：臺灣臺中市西屯區臺灣大道三段99號")
        << QStringLiteral("城市") << QStringLiteral("台中市") << false;
    QTest::newRow("a prefecture known by its first character")
        << QStringLiteral("新疆克州阿图什市帕米尔路东段8号 阿依古丽 13579011111") << QStringLiteral("城市")
        << QStringLiteral("克孜勒苏柯尔克孜自治州") << false;
    QTest::newRow("a road set apart, a note's word in its name")
        << QStringLiteral("徐州市鼓楼区 解放路 12号 周敏 13900008888") << QStringLiteral("地址")
        << QStringLiteral("江苏省徐州市鼓楼区解放路12号") << false;
    QTest::newRow("a village named like a region elsewhere")
        << QStringLiteral("河南省洛阳市宜阳县 东营坊村 王海 13900009999") << QStringLiteral("地址")
        << QStringLiteral("河南省洛阳市宜阳县东营坊村") << false;
    QTest::newRow("a village group in Chinese numerals")
        << QStringLiteral("山东省青岛市即墨区 龙泉村 三组 王海 13900009999") << QStringLiteral("地址")
        << QStringLiteral("山东省青岛市即墨区龙泉村三组") << false;
    QTest::newRow("a landline's seven digits grouped four and three")
        << QStringLiteral("苗文静 0875-3226 418 云南省保山市隆阳区 正阳南路 66号") << QStringLiteral("电话")
        << QStringLiteral("0875-3226418") << false;
    QTest::newRow("a Taiwan landline, its area code in brackets, with an extension")
        << QStringLiteral(
               "收件人：林雅婷\n電話：(04)2358-1166 分機 305\n地址：台中市南屯區 公益路二段 51號 7樓")
        << QStringLiteral("电话") << QStringLiteral("+886-4-23581166-305") << false;
    QTest::newRow("a 400 number grouped after its first four digits, with an extension")
        << QStringLiteral("广东省中山市火炬开发区 康乐大道 9号 伍工 4006-555-222 转 8")
        << QStringLiteral("电话") << QStringLiteral("400-655-5222-8") << false;
    QTest::newRow("whose number a label says is no remark")
        << QStringLiteral("收件人：卢店长\n门店手机：139 5821 0077\n地址：浙江省宁波市海曙区 中山西路 2号")
        << QStringLiteral("备注") << QString() << false;
    QTest::newRow("a place in brackets inside a company's name")
        << QStringLiteral(
               "锐驰汽车零部件(中国)投资有限公司 采购中心 甘霖 021-6890 1234 上海市浦东新区 金桥路 1000号")
        << QStringLiteral("收件单位") << QStringLiteral("锐驰汽车零部件(中国)投资有限公司") << true;
    QTest::newRow("a room after a building named in words, the school after it a note")
        << QStringLiteral(
               "湖南省长沙市岳麓区麓山南路932号 中南大学 化学楼 217 化学化工学院 伍教授 13807311234")
        << QStringLiteral("地址") << QStringLiteral("湖南省长沙市岳麓区麓山南路932号中南大学化学楼217")
        << false;
    QTest::newRow("two roads that meet, the word between them and the crossing set off")
        << QStringLiteral("湖南省株洲市天元区 珠江北路 跟 黄河路 路口 中房广场 11楼 苏扬 15973312345")
        << QStringLiteral("地址") << QStringLiteral("湖南省株洲市天元区珠江北路跟黄河路路口中房广场11楼")
        << false;
    QTest::newRow("Hong Kong first, a building named like a county elsewhere after it")
        << QStringLiteral("香港 九龍 旺角 彌敦道 580號 嘉禾大廈 12樓 B室 鄺子晴 +852 9134 5267")
        << QStringLiteral("城市") << QStringLiteral("香港特别行政区") << false;
    QTest::newRow("a lead-in line that names a place, then numbered recipients")
        << QStringLiteral("两份都寄鼓楼区，分开打包：\n① 祁远 13912345678 南京市鼓楼区 中山北路 30号\n"
                          "② 祁安 13852112345 徐州市鼓楼区 彭城路 8号")
        << QStringLiteral("城市") << QStringLiteral("南京市||徐州市") << false;
    QTest::newRow("a place before the street and a name after it, neither of a known surname")
        << QStringLiteral("云南省西双版纳州景洪市 曼听 宣慰大道 12号 玉罕 13988112233")
        << QStringLiteral("姓名") << QStringLiteral("玉罕") << true;
    QTest::newRow("people apart on one line, the company before them and the address after them for all")
        << QStringLiteral("成都蓉光科技有限公司：采购部 温馨 028-8512 3456；仓库 石磊 13880012345；"
                          "地址都是 四川省成都市郫都区 德源街道 大禹东路 66号")
        << QStringLiteral("收件单位") << QStringLiteral("成都蓉光科技有限公司||成都蓉光科技有限公司") << true;
    QTest::newRow("a place named with a surname between the town and the street, the name after it")
        << QStringLiteral("佛山市南海区 大沥镇 黄岐 广佛路 8号 梁生 13900002222") << QStringLiteral("姓名")
        << QStringLiteral("梁生") << false;
    QTest::newRow("Macau's Cotai after its name is no street")
        << QStringLiteral("澳門 路氹 連貫公路 何潔 +853 6677 8899") << QStringLiteral("城市")
        << QStringLiteral("澳门特别行政区") << false;
    QTest::newRow("a section of the road set off after it")
        << QStringLiteral("陕西省西安市长安区 西长安街 南段 99号 牛蕾 18991212345") << QStringLiteral("地址")
        << QStringLiteral("陕西省西安市长安区西长安街南段99号") << false;
    QTest::newRow("a landmark the house lies across from")
        << QStringLiteral("临夏州临夏市团结路 18号 回民中学对面 马哈三 13900001010") << QStringLiteral("地址")
        << QStringLiteral("甘肃省临夏州临夏市团结路18号回民中学对面") << false;
    QTest::newRow("a school of a university after it goes to the remark")
        << QStringLiteral("收件单位：湖南大学 外国语学院 联系人：蒋文博 电话：13900001212 "
                          "地址：湖南省长沙市岳麓区麓山南路2号")
        << QStringLiteral("备注") << QStringLiteral("外国语学院") << false;
    QTest::newRow("a chamber of a court after it goes to the remark")
        << QStringLiteral("单位：宁乡市人民法院 民一庭 收件人：马卫东 电话：13900001313 "
                          "地址：湖南省长沙市宁乡市玉潭街道")
        << QStringLiteral("备注") << QStringLiteral("民一庭") << false;
    QTest::newRow("leaving it at the company's desk is a wish, no company")
        << QStringLiteral("北京市朝阳区望京街10号 邢亮 13900001414 周末放公司前台")
        << QStringLiteral("收件单位") << QString() << false;
    QTest::newRow("a short province before its prefecture is no name")
        << QStringLiteral("云南 大理 大理市 人民路 85号 玉香 13887902145") << QStringLiteral("地址")
        << QStringLiteral("云南大理大理市人民路85号") << false;
    QTest::newRow("full-width digits and letters of the address stay as typed")
        << QStringLiteral("张敏 13912345678 浙江省杭州市西湖区文三路４７８号Ａ座１２层")
        << QStringLiteral("地址") << QStringLiteral("浙江省杭州市西湖区文三路４７８号Ａ座１２层") << false;
    QTest::newRow("a campus named like a district elsewhere stays in its place")
        << QStringLiteral("湖北省荆州市沙市区 长江大学 东区 5栋 李春梅 18288073914") << QStringLiteral("地址")
        << QStringLiteral("湖北省荆州市沙市区长江大学东区5栋") << false;
    QTest::newRow("a second number and the region written twice: still one recipient")
        << QStringLiteral(
               "张伟 13812345678 所在地区：河南省郑州市金水区 详细地址：河南省郑州市金水区花园路12号 "
               "13900001111")
        << QStringLiteral("电话") << QStringLiteral("13900001111") << false;
    QTest::newRow("a dash inside the address is no separator of labels")
        << QStringLiteral("韦东 13812345678 河南省郑州市金水区花园路12号院5号楼-3单元")
        << QStringLiteral("地址") << QStringLiteral("河南省郑州市金水区花园路12号院5号楼-3单元") << false;
    QTest::newRow("what was paid and which goods stay in the remark with their labels")
        << QStringLiteral("收货人：何丽\n手机：13512345678\n地址：广东省佛山市南海区南海大道北88号\n"
                          "规格：白色 M\n实付金额：128.50元\n实付 ¥39.9")
        << QStringLiteral("备注") << QStringLiteral("规格：白色 M 实付金额：128.50元 实付：¥39.9") << false;
    QTest::newRow("Taiwan's country code without its plus, set off by a dash")
        << QStringLiteral("黃志明，886-933218447，台湾 高雄市 前金区 中正四路211号") << QStringLiteral("手机")
        << QStringLiteral("+886-933218447") << false;
    QTest::newRow("an order's label glued after the floor ends the address there")
        << QStringLiteral("收件人：孔雪 电话：13911112222 地址：山东省济南市历下区泉城路 "
                          "180号B座1203室订单编号：5566778899")
        << QStringLiteral("地址") << QStringLiteral("山东省济南市历下区泉城路180号B座1203室") << false;
    QTest::newRow("an order's number like a mobile is the order's, in the remark")
        << QStringLiteral(
               "订单号：15203987416\n收货人：甄立群\n联系方式：13811102290\n收货地址：北京市海淀区知春路56号")
        << QStringLiteral("手机") << QStringLiteral("13811102290") << false;
    QTest::newRow("the city's label before an autonomous prefecture is no remark")
        << QStringLiteral(
               "收件人：龙阿妹\n电话：13985512345\n省：贵州省\n市：黔东南苗族侗族自治州\n县：凯里市\n"
               "地址：北京东路 16号")
        << QStringLiteral("备注") << QString() << false;
    QTest::newRow("an avenue set off from its number, a note's word in its name, stays a street")
        << QStringLiteral("陶涛 18473926610 湖南省衡阳市蒸湘区 解放大道 9号") << QStringLiteral("地址")
        << QStringLiteral("湖南省衡阳市蒸湘区解放大道9号") << false;
    QTest::newRow("an order's number on a line of its own heads the block, no remark")
        << QStringLiteral(
               "订单1\n收货人：易晨曦\n手机号：17164820015\n地址：湖南省岳阳市岳阳楼区 巴陵中路 99号\n"
               "订单2\n收货人：易晨阳\n手机号：17164820016\n地址：湖南省衡阳市雁峰区 先锋路 55号")
        << QStringLiteral("备注") << QStringLiteral("||") << false;
    QTest::newRow("an order's number and time on the line above are no recipient of their own")
        << QStringLiteral("拼多多 订单编号：260301-118273645 2026-12-05 09:30\n"
                          "四川省绵阳市涪城区 临园路 12号 蒲小琴 15882910021")
        << QStringLiteral("备注") << QStringLiteral("订单编号：260301-118273645 2026-12-05 09:30") << false;
    QTest::newRow("a sheet's quantity stays after its goods, not where its digit is in the order number")
        << QStringLiteral("订单号|商品|数量|收货人|手机|收货地址\n"
                          "2026120533|羊毛袜|2|尚可|13811223344|北京市西城区 西单北大街 120号")
        << QStringLiteral("备注") << QStringLiteral("2026120533 羊毛袜 2") << false;
    QTest::newRow("no name at all is flagged") << QStringLiteral("13812345678 河南省郑州市金水区花园路12号")
                                               << QStringLiteral("姓名") << QString() << true;
    QTest::newRow("a landline read out in groups, with its extension")
        << QStringLiteral("座机零二零 八三五六 七一二九 转三零二 联系人 龚先生 广州市越秀区中山五路三十三号")
        << QStringLiteral("电话") << QStringLiteral("020-83567129-302") << false;
    QTest::newRow("a postcode read out after its label, the house number in words kept")
        << QStringLiteral("收件人丁一鸣 电话幺三七 零五幺二 六六八八 地址 长沙市岳麓区 麓山南路 九百三十二号 "
                          "邮编四幺零零八三")
        << QStringLiteral("邮编") << QStringLiteral("410083") << false;
    QTest::newRow("a mobile corrected after it: the new one taken, the old one gone")
        << QStringLiteral(
               "收件人 肖雨桐 手机 15012345678 说错了 是15012345687 广东省珠海市香洲区 凤凰北路 1099号")
        << QStringLiteral("手机") << QStringLiteral("15012345687") << false;
    QTest::newRow("a house number corrected at the end replaces the one written")
        << QStringLiteral(
               "吉林省长春市朝阳区 西民主大街 56号 收件人 闵浩然 电话 13604318899 哦不对 门牌号是65号")
        << QStringLiteral("地址") << QStringLiteral("吉林省长春市朝阳区西民主大街65号") << false;
    QTest::newRow("the name a sentence ends with, no label before it")
        << QStringLiteral("麻烦寄给我妈她叫贺桂兰电话15877665544地址湖南省邵阳市大祥区红旗路18号")
        << QStringLiteral("姓名") << QStringLiteral("贺桂兰") << false;
    QTest::newRow("the sentence before the address run into it")
        << QStringLiteral("哈喽我想寄到湖北省宜昌市西陵区东山大道105号收件人甘小雨电话13972011111")
        << QStringLiteral("地址") << QStringLiteral("湖北省宜昌市西陵区东山大道105号") << false;
    QTest::newRow("recipients counted in words, run together")
        << QStringLiteral("第一个给牛海涛电话13909311234地址甘肃省兰州市七里河区西津西路16号第二个给牛丽电话"
                          "18993112345地址甘肃省天水市秦州区民主西路8号")
        << QStringLiteral("姓名") << QStringLiteral("牛海涛||牛丽") << false;
    QTest::newRow("numbered recipients after words about the batch")
        << QStringLiteral(
               "发两个人哦 1.庄文涛 13805951234 福建省漳州市芗城区 胜利西路 12号 2.庄晓燕 15959612345 "
               "福建省龙岩市新罗区 九一路 88号")
        << QStringLiteral("手机") << QStringLiteral("13805951234||15959612345") << false;
    QTest::newRow("a building named with a surname's character after the house number is no name")
        << QStringLiteral("澳门 氹仔 成都街 70号 海景阁 12楼B 收件人 黄小珊 手机 6688 1122")
        << QStringLiteral("地址") << QStringLiteral("澳门氹仔成都街70号海景阁12楼B") << false;
    QTest::newRow("when to bring it, glued to the room, is the remark")
        << QStringLiteral("邢梓涵 15811223344 北京市朝阳区 建国路 88号 5号楼 1203室晚上再送")
        << QStringLiteral("备注") << QStringLiteral("晚上再送") << false;
    QTest::newRow("a note with 不是 in it is no correction")
        << QStringLiteral(
               "收件人 崔永明 13701234567 北京市丰台区 丰台路 20号 送货前打电话 不是本人接就放门卫")
        << QStringLiteral("备注") << QStringLiteral("送货前打电话 不是本人接就放门卫") << false;
    QTest::newRow("the last of the house's numbers corrected")
        << QStringLiteral(
               "收件人 祝晓晴 电话 13757112345 浙江省杭州市拱墅区 湖墅南路 105号 5幢 301 哦不对 是5幢 103")
        << QStringLiteral("地址") << QStringLiteral("浙江省杭州市拱墅区湖墅南路105号5幢103") << false;
    QTest::newRow("a sentence about the recipient run on after the house number: the name, flagged")
        << QStringLiteral("麻烦发到河北省沧州市运河区解放西路66号给我表哥他叫刘建军手机13831712345")
        << QStringLiteral("姓名") << QStringLiteral("刘建军") << true;
    QTest::newRow("a village's numbered team and a row of houses stay in the address")
        << QStringLiteral("宁夏吴忠市同心县 豫海镇 东关村 七队 马秀兰 13995417720\n"
                          "赵玉田 13941845562 辽宁省阜新市 彰武县 五峰镇 家属院 4排 6号")
        << QStringLiteral("地址")
        << QStringLiteral("宁夏吴忠市同心县豫海镇东关村七队||辽宁省阜新市彰武县五峰镇家属院4排6号") << false;
    QTest::newRow("a province under the name's label starts the address")
        << QStringLiteral("收件：内蒙古 包头市 九原区 建华南路 28号 郭护士长 0472-5987320")
        << QStringLiteral("姓名") << QStringLiteral("郭护士长") << true;
    QTest::newRow("kin before each name, the region the lines share given to each")
        << QStringLiteral("都是宁夏固原市西吉县的：\n大姐 马秀英 15209541186 吉强镇 西关村 三组\n"
                          "二哥 马志刚 13995440773 兴隆镇 单家集村 五组")
        << QStringLiteral("地址")
        << QStringLiteral("宁夏固原市西吉县吉强镇西关村三组||宁夏固原市西吉县兴隆镇单家集村五组") << false;
    QTest::newRow("the backup mobile written first is still the second")
        << QStringLiteral(
               "收件人：马秀兰 备用电话：180 9541 3386 手机：139-9541-7720 宁夏吴忠市同心县 豫海镇")
        << QStringLiteral("电话") << QStringLiteral("18095413386") << false;
    QTest::newRow("a department under the name's label, the name after it or none")
        << QStringLiteral("收件人：市场部 李娜 电话：021-64873302 上海市徐汇区 漕溪北路 88号\n\n"
                          "收件人：财务科 电话：0474-8223317 内蒙古乌兰察布市 集宁区 恩和路 5号")
        << QStringLiteral("姓名") << QStringLiteral("李娜||财务科") << false;
    QTest::newRow("the street's label of a form, a card's title for the remark")
        << QStringLiteral(
               "名片\n姓名：于海波\n职务：销售总监\n手机：18653267710\n地区：山东省 青岛市 黄岛区\n"
               "详细：长江中路 219号")
        << QStringLiteral("备注") << QStringLiteral("销售总监") << false;
    QTest::newRow("talk about the goods is dropped, what to do with the parcel kept")
        << QStringLiteral("老板 还有藏青色的吗 没有就换灰色 寄：福建省泉州市丰泽区刺桐路200号 林小芳 "
                          "13905951234 放门卫")
        << QStringLiteral("备注") << QStringLiteral("放门卫") << false;
    QTest::newRow("the invoice sent along is a note; the size owned up to is talk")
        << QStringLiteral("拍错了 应该是38码 收件人：严斌 手机：13587654321 "
                          "地址：浙江省台州市椒江区市府大道300号 发票一起寄")
        << QStringLiteral("备注") << QStringLiteral("发票一起寄") << false;
    QTest::newRow("the address does not go on after a note under its label")
        << QStringLiteral("地址 浙江省绍兴市越城区解放北路18号 收件人 沈佳 15867512345 别放门口 容易丢")
        << QStringLiteral("地址") << QStringLiteral("浙江省绍兴市越城区解放北路18号") << false;
    QTest::newRow("a label in traditional characters, and one named by what it asks")
        << QStringLiteral("收貨人：何靜怡\n地址：台湾省台中市西屯區台灣大道三段99號\n訂單號：TW88123\n"
                          "送货要求：放门卫")
        << QStringLiteral("备注") << QStringLiteral("訂單號：TW88123 放门卫") << false;
    QTest::newRow("the words after an order line's value stay on the order line")
        << QStringLiteral("收货人：魏东\n电话：15823456789\n商品名称：运动短袖 XL 黑色\n"
                          "地址：重庆市江北区观音桥步行街8号")
        << QStringLiteral("备注") << QStringLiteral("商品名称：运动短袖 XL 黑色") << false;
    QTest::newRow("a slip owned up to on a line of its own puts the number right, one recipient")
        << QStringLiteral("收件人 孔丹 电话 13805712345 浙江省杭州市西湖区文三路90号\n"
                          "哦 电话写错了，应该是13805712354\n周末送")
        << QStringLiteral("手机") << QStringLiteral("13805712354") << false;
    QTest::newRow("the house number said again after the slip")
        << QStringLiteral("地址：福建省福州市鼓楼区五四路88号3栋1502 收件人 陈立 电话 13859012345\n"
                          "门牌是1503 我写错了")
        << QStringLiteral("地址") << QStringLiteral("福建省福州市鼓楼区五四路88号3栋1503") << false;
    QTest::newRow("a note may end on 呢, and what the one who takes it says after it goes with it")
        << QStringLiteral(
               "收件人 鲍强 15905512345 安徽省安庆市迎江区人民路30号 送货前先联系我呢 我不一定在家")
        << QStringLiteral("备注") << QStringLiteral("送货前先联系我呢 我不一定在家") << false;
    QTest::newRow("a question naming a city is no part of the address")
        << QStringLiteral("亲 大连能包邮吗 收件人 鞠红 13840912345 辽宁省大连市沙河口区西南路100号")
        << QStringLiteral("地址") << QStringLiteral("辽宁省大连市沙河口区西南路100号") << false;
    QTest::newRow("the company an invoice is made out to does not take the parcel")
        << QStringLiteral(
               "发票抬头写南京远拓信息技术有限公司 收件人 章伟 13905171234 江苏省南京市玄武区中山路18号")
        << QStringLiteral("收件单位") << QString() << false;
    QTest::newRow("the remark's label keeps 送到 with its note")
        << QStringLiteral("收货人：谢敏\n手机：13607311234\n地址：湖南省长沙市芙蓉区五一大道100号\n"
                          "买家留言：送到楼下打电话")
        << QStringLiteral("备注") << QStringLiteral("送到楼下打电话") << false;
    QTest::newRow("what to say at the door names no label")
        << QStringLiteral(
               "收件人 冯丽 13512341234 湖北省武汉市江汉区建设大道568号新世界国贸大厦 到前台说公司名就行")
        << QStringLiteral("备注") << QStringLiteral("到前台说公司名就行") << false;
    QTest::newRow("the one spoken to by a title is no note")
        << QStringLiteral(
               "李经理，资料寄到我们公司：浙江省宁波市江北区人民路132号 宁波远航贸易有限公司 收件人 陆婷 "
               "13805741234")
        << QStringLiteral("备注") << QString() << false;
    QTest::newRow("where to leave it is a note though it names the sender; where to send it is not")
        << QStringLiteral("直接寄学校吧：湖北省武汉市武昌区八一路299号武汉大学 收件人 邱爽 13971234567 "
                          "放门卫报我名字就行")
        << QStringLiteral("备注") << QStringLiteral("放门卫报我名字就行") << false;
    QTest::newRow("an address changed to a new one from its province: the new one alone")
        << QStringLiteral("收件人 程颖 13812349999 江苏省南通市崇川区人民中路20号 不对 换成 "
                          "江苏省南通市港闸区城港路88号")
        << QStringLiteral("地址") << QStringLiteral("江苏省南通市港闸区城港路88号") << false;
    QTest::newRow("where to leave it, a school named in it, is the note, not the company")
        << QStringLiteral("李老师 13912345678 江苏省苏州市姑苏区十梓街1号 放学校门卫")
        << QStringLiteral("备注") << QStringLiteral("放学校门卫") << false;
    QTest::newRow("how to pack it is a note though it says 我")
        << QStringLiteral(
               "收件人：吴立 电话：13812345678 地址：江苏省常州市天宁区延陵西路1号 麻烦帮我包成礼物 谢谢")
        << QStringLiteral("备注") << QStringLiteral("麻烦帮我包成礼物") << false;
    QTest::newRow("a number with 都 over address lines that name no one is one recipient's")
        << QStringLiteral("王芳 13912345678 都行\n上海市静安区南京西路1号\n浦东新区世纪大道2号")
        << QStringLiteral("姓名") << QStringLiteral("王芳") << true;
    // Pages copied whole: what the page shows is dropped, but not what looks like it.
    QTest::newRow("a landline after a dash is no extension of the mobile")
        << QStringLiteral(
               "收货人：冯亮\n手机：17012345678 - 0755-88886666\n地址：广东省深圳市福田区深南大道1号")
        << QStringLiteral("手机") << QStringLiteral("17012345678") << false;
    QTest::newRow("the buyer's label alone names the recipient")
        << QStringLiteral("买家：钟敏\n手机：13800002468\n地址：广西南宁市青秀区民族大道8号")
        << QStringLiteral("姓名") << QStringLiteral("钟敏") << false;
    QTest::newRow("goods' words set apart are no surname and name")
        << QStringLiteral(
               "规格：黄米 原味\n收货人：高峰\n手机：13800001111\n地址：山东省济南市历下区泉城路2号")
        << QStringLiteral("备注") << QStringLiteral("规格：黄米 原味") << false;
    QTest::newRow("a courier's name alone may be the buyer's wish")
        << QStringLiteral("待收货\n顺丰快递\n收货人：周周\n手机：13800009001\n地址：天津市南开区卫津路1号")
        << QStringLiteral("备注") << QStringLiteral("顺丰快递") << false;
    QTest::newRow("a university before its region, a street after the region: the unit still")
        << QStringLiteral("南京大学 南京市鼓楼区汉口路22号 北大楼 赵老师 13512345678")
        << QStringLiteral("收件单位") << QStringLiteral("南京大学") << true;
    QTest::newRow("a Latin name ending in Hall is a name, no building")
        << QStringLiteral("上海市静安区南京西路1266号 恒隆广场 Emily Hall 13612345678")
        << QStringLiteral("姓名") << QStringLiteral("Emily Hall") << false;
}

void TestRecognitionEdges::edgeCases()
{
    QFETCH(QString, text);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QFETCH(bool, unsure);
    // Several recipients in one text: their fields joined by "||", unsure where any one is.
    QStringList values;
    QStringList flagged;
    bool anyUnsure = false;
    const AddressParser parser(m_regions);
    QList<ParsedRecipient> all = parser.parseAll(text);
    if (all.isEmpty())
        all << parser.parse(text);
    for (const ParsedRecipient& r : std::as_const(all)) {
        values << r.value(key);
        flagged << r.unsure.join(QLatin1Char(' '));
        anyUnsure = anyUnsure || r.isUnsure(key);
    }
    QCOMPARE(values.join(QStringLiteral("||")), expected);
    QVERIFY2(anyUnsure == unsure, qPrintable(flagged.join(QStringLiteral(" || "))));
}

QTEST_GUILESS_MAIN(TestRecognitionEdges)
#include "test_recognition_edges.moc"
