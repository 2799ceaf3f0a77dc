# The product's language modules, one per language but English (which the main program carries):
# language index:module name:key (target product_language_<key>, texts in product/resources/strings/<key>.rc).
set(product_languages
  0:French:french   2:German:german       3:Spanish:spanish     4:Portuguese:portuguese
  5:Dutch:dutch     7:Turkish:turkish     9:Romanian:romanian   10:Chinese:chinese
  11:Italian:italian 12:Czech:czech       14:Greek:greek        15:Polish:polish
  16:Hebrew:hebrew  17:Vietnamese:vietnamese 19:Hungarian:hungarian 20:Serbian:serbian)
